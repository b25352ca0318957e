#include "pinning/pinned_tls.h"

#include <algorithm>

#include "pinning/certificate_walk.h"
#include "pinning/compiled_pins.h"
#include "pinning/http_agent.h"
#include "system/text.h"

namespace quillmar {
namespace {

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string_view trim_spaces(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

}  // namespace

std::string pinned_host_of(std::string_view base_url) {
  const std::size_t scheme_end = base_url.find("://");
  std::string_view rest = scheme_end == std::string_view::npos ? base_url : base_url.substr(scheme_end + 3);
  const std::size_t host_end = rest.find_first_of("/:");
  if (host_end != std::string_view::npos) rest = rest.substr(0, host_end);
  return ascii_lower(rest);
}

Result<std::vector<Sha256Digest>> parse_pins(std::string_view text) {
  std::vector<Sha256Digest> pins;
  while (true) {
    const std::size_t comma = text.find(',');
    const std::string_view item = trim_spaces(text.substr(0, comma));
    if (item.size() != 64) return Error{"a pin is not 64 hexadecimal digits: " + std::string(item)};
    Sha256Digest pin{};
    for (std::size_t i = 0; i < pin.size(); ++i) {
      const int high = hex_value(item[2 * i]);
      const int low = hex_value(item[2 * i + 1]);
      if (high < 0 || low < 0) return Error{"a pin is not 64 hexadecimal digits: " + std::string(item)};
      pin[i] = static_cast<std::uint8_t>(high * 16 + low);
    }
    pins.push_back(pin);
    if (comma == std::string_view::npos) return pins;
    text.remove_prefix(comma + 1);
  }
}

std::vector<Sha256Digest> compiled_pins() {
  std::vector<Sha256Digest> pins(2);
  std::copy_n(kCompiledPinBytes, 32, pins[0].begin());
  std::copy_n(kCompiledPinBytes + 32, 32, pins[1].begin());
  return pins;
}

std::string_view compiled_extra_trust_anchor() { return kCompiledExtraTrustAnchor; }

std::string proxy_sign_in_text(const std::string& proxy) {
  return "the proxy " + proxy + " asks for sign-in (HTTP 407) and the installer cannot answer it";
}

void ProxyNote::note(const AgentSettings& settings, const std::string& proxy, const std::string& host) {
  if (!settings.log) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (proxy == last_) return;
    last_ = proxy;
  }
  settings.log("connecting to " + host + " through the proxy " + proxy);
}

namespace {

// Whether TEXT matches PATTERN, in which "*" stands for any run of characters.
bool matches_wildcard(std::string_view pattern, std::string_view text) {
  const std::size_t star = pattern.find('*');
  if (star == std::string_view::npos) return pattern == text;
  if (text.substr(0, star) != pattern.substr(0, star)) return false;
  pattern.remove_prefix(star + 1);
  text.remove_prefix(star);
  for (std::size_t skip = 0; skip <= text.size(); ++skip) {
    if (matches_wildcard(pattern, text.substr(skip))) return true;
  }
  return false;
}

}  // namespace

bool bypasses_proxy(std::string_view bypass_list, std::string_view host) {
  const std::string wanted = ascii_lower(host);
  constexpr std::string_view kSeparators = "; \t\r\n";
  std::size_t at = 0;
  while ((at = bypass_list.find_first_not_of(kSeparators, at)) != std::string_view::npos) {
    const std::size_t end = std::min(bypass_list.find_first_of(kSeparators, at), bypass_list.size());
    const std::string entry = ascii_lower(bypass_list.substr(at, end - at));
    at = end;
    if (entry == "<local>" ? wanted.find('.') == std::string::npos : matches_wildcard(entry, wanted)) return true;
  }
  return false;
}

PinnedTls PinnedTls::for_base_url(std::string_view base_url, std::vector<Sha256Digest> pins) {
  return PinnedTls{pinned_host_of(base_url), std::move(pins)};
}

bool PinnedTls::applies_to(std::string_view connection_host) const {
  return !pins.empty() && equals_ignoring_ascii_case(connection_host, host);
}

Result<void> PinnedTls::check(std::string_view connection_host,
                              std::optional<std::span<const std::uint8_t>> leaf_der) const {
  if (!applies_to(connection_host)) return {};
  if (!leaf_der || leaf_der->empty()) return Error{kNoCertificate};
  const std::span<const std::uint8_t> spki = QUILLMAR_TRY(find_subject_public_key_info(*leaf_der));
  const Sha256Digest digest =
      sha256_of(std::string_view(reinterpret_cast<const char*>(spki.data()), spki.size()));
  for (const Sha256Digest& pin : pins) {
    if (pin == digest) return {};
  }
  // Whoever reads the log sees at once a network that inspects TLS with a
  // certificate authority of its own.
  const auto issuer = issuer_name_text(*leaf_der);
  if (!issuer) return Error{kKeyNotPinned};
  return Error{std::string(kKeyNotPinned) + " (certificate issued by " + quoted_text(*issuer) + ")"};
}

}  // namespace quillmar
