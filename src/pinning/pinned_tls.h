#pragma once

// The pin policy of the release server's TLS connections.
//
// What must always hold: no HTTP byte of a request goes to the pinned host over a
// connection whose server key has not matched one of the compiled-in pins, and the
// pin check only ever adds a condition to the platform's own chain and host-name
// validation, never replaces or relaxes it.
//
// This file is the policy (which connections are checked, which keys pass); the
// backends (http_agent_posix.cpp, http_agent_win.cpp) are the mechanism that hands
// it each new connection's host and leaf certificate before the request goes out.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "system/result.h"
#include "system/sha256.h"

namespace quillmar {

// The texts of a failed pin check. They become the transport's error text; the
// release client reports every transport failure as Network, so they go no further.
inline constexpr char kNoCertificate[] = "the server sent no certificate";
inline constexpr char kUnreadableCertificate[] = "the server certificate is unreadable";
// A key that is not pinned is reported with its certificate's issuer, in parentheses
// after this text: the server key is not the pinned one (certificate issued by "CN=…").
inline constexpr char kKeyNotPinned[] = "the server key is not the pinned one";

// The host of a base URL: after the first "://", up to the next "/" or ":", in
// ASCII small letters. The pins then apply to that host on any port.
std::string pinned_host_of(std::string_view base_url);

// Pins written as 64 hex digits each, separated by commas (spaces around them
// allowed). Fails on anything else.
Result<std::vector<Sha256Digest>> parse_pins(std::string_view text);

// The two pins and the extra trust anchor this installer was built with.
std::vector<Sha256Digest> compiled_pins();
// PEM text of a development CA trusted besides the system store; empty in a
// deployment build.
std::string_view compiled_extra_trust_anchor();

struct PinnedTls {
  std::string host;  // ASCII small letters
  std::vector<Sha256Digest> pins;

  static PinnedTls for_base_url(std::string_view base_url, std::vector<Sha256Digest> pins);

  // Policy: connections to another host, or a configuration without pins, are left
  // to the platform's validation alone. Host names compare ignoring ASCII case.
  bool applies_to(std::string_view connection_host) const;

  // The check of one new connection, right after its handshake. LEAF_DER is the
  // server's leaf certificate, absent when it sent none.
  Result<void> check(std::string_view connection_host,
                     std::optional<std::span<const std::uint8_t>> leaf_der) const;
};

}  // namespace quillmar
