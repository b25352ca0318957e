#pragma once

#include <windows.h>
#include <winhttp.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "pinning/pinned_tls.h"
#include "pinning/trust_anchor_win.h"
#include "system/result.h"

namespace quillmar {

struct InternetCloser {
  void operator()(HINTERNET handle) const { WinHttpCloseHandle(handle); }
};
using InternetHandle = std::unique_ptr<void, InternetCloser>;

std::string winhttp_error_text(DWORD code);

// How long finding the user's proxy may take. It may mean asking DHCP and DNS for
// an auto-config script, fetching it and running it, each of which can wait
// seconds on a network that has none; it counts apart from the connection's limit.
inline constexpr std::chrono::milliseconds kProxyDiscoveryLimit{30'000};
// The failure's text when finding the proxy took longer than LIMIT.
std::string no_proxy_found_text(std::chrono::milliseconds limit);

// One asynchronous WinHTTP request and the state its notifications share with the
// thread that waits for it.
//
// Every WinHTTP call is issued asynchronously and waited for here in short slices,
// so the waiting thread itself enforces each time limit and watches the cancel
// flag: neither a server that stalls nor a WinHTTP that does not keep its own
// time-outs (Wine holds a stalled handshake for 50 s and a missing head for 75 s)
// can keep the caller past its limit. Giving up closes the handle; WinHTTP may
// still be inside a call for it then, so everything its notifications touch (the
// state, the read buffer, the request body) lives until the handle's
// WINHTTP_CALLBACK_STATUS_HANDLE_CLOSING, whichever side lets go last.
class WinHttpRequest {
 public:
  using Clock = std::chrono::steady_clock;

  // What the pin check in the notifications needs.
  struct Pin {
    const PinnedTls* pinned = nullptr;
    const ExtraTrustAnchor* anchor = nullptr;  // development builds only
    std::wstring wide_host;
    std::string host;
  };

  struct Limits {
    std::chrono::milliseconds connect;  // name resolution, connection and TLS handshake
    std::chrono::milliseconds head;     // from writing the request to the whole response head
    const std::atomic<bool>* cancel = nullptr;
    // Before the connection starts: finding the proxy, which automatic mode does
    // inside the send (an auto-config script, WPAD).
    std::chrono::milliseconds discovery = kProxyDiscoveryLimit;
  };

  // Opens METHOD PATH on CONNECTION (a handle of an asynchronous session);
  // SECURITY_FLAGS are set when not 0.
  static Result<WinHttpRequest> open(HINTERNET connection, const std::wstring& method, const std::wstring& path,
                                     Pin pin, DWORD security_flags, const Limits& limits);

  WinHttpRequest(WinHttpRequest&& other) noexcept : state_(other.state_) { other.state_ = nullptr; }
  WinHttpRequest& operator=(WinHttpRequest&& other) noexcept;
  WinHttpRequest(const WinHttpRequest&) = delete;
  WinHttpRequest& operator=(const WinHttpRequest&) = delete;
  ~WinHttpRequest();

  // Sends the head with HEADERS, announcing TOTAL_LENGTH body bytes, and waits
  // until it is out: through the discovery limit until the connection starts,
  // the connect limit until it is up, then the head limit. The pin check runs on the way; a refusal ends the wait at once.
  Result<void> send(const std::wstring& headers, DWORD total_length);
  // The WinHTTP error and the secure-failure flags of a failed send (0 if none).
  DWORD send_error() const;
  DWORD secure_failure() const;
  // Whether the pin check ran on the connection the request went out on.
  bool pin_checked() const;
  // Whether the pin check refused the connection.
  bool refused() const;
  // Sends this request through PROXY (WinHTTP's proxy list syntax), bypassing it
  // for the hosts in BYPASS; USER and PASSWORD, when given, answer its sign-in.
  Result<void> use_proxy(const std::wstring& proxy, const std::wstring& bypass, const std::wstring& user,
                         const std::wstring& password);
  // Closes the request and waits, briefly, until WinHTTP has let go of it, so that
  // the connection it was sent on is gone, never pooled for a later request,
  // before the caller moves on.
  void drop_connection();

  // Writes BODY and waits for the response head, both within the head limit.
  Result<void> write_and_receive(const std::string& body);
  Result<int> status() const;
  // The value of the response header NAME, if the head has it.
  std::optional<std::string> header(const std::wstring& name) const;
  // The status WinHTTP holds for the request, also after a failed send (a proxy's
  // answer to the CONNECT); 0 when it holds none.
  int status_if_any() const;

  // From here on only BODY_LIMIT (from now) limits the reads, and STALL_LIMIT each
  // wait for the next body byte.
  void start_body(std::optional<std::chrono::seconds> body_limit,
                  std::optional<std::chrono::milliseconds> stall_limit = std::nullopt);
  // Reads up to CAPACITY body bytes; 0 at the end of the body.
  Result<std::size_t> read(std::uint8_t* buffer, std::size_t capacity);

 private:
  struct State;
  explicit WinHttpRequest(State* state) : state_(state) {}
  static void CALLBACK on_status(HINTERNET handle, DWORD_PTR context, DWORD status, LPVOID information,
                                 DWORD length);
  // Waits for the operation under way to complete, until the deadline that
  // DEADLINE_OF gives (none: no limit) or the cancel flag.
  // When a wait ends, and the failure it ends with.
  struct Deadline {
    Clock::time_point at;
    std::string failure;
  };
  // Issues CALL (one asynchronous WinHTTP call) and waits for its completion, the
  // cancel flag or the deadline that DEADLINE_OF gives for the state seen (none: no
  // limit), whichever comes first. A pin refusal ends the wait at once. Gives the
  // byte count of the completion's notification.
  template <typename Call, typename DeadlineOf>
  Result<DWORD> run(Call call, DeadlineOf deadline_of);
  void close();

  State* state_ = nullptr;
};

}  // namespace quillmar
