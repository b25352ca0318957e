#pragma once

#include <string>

namespace quillmar::testing {

// What a server with a key that fails the pin gets from this build's agent, for a
// POST and then a GET to it on PORT: the bytes it received after the handshake and
// the protocols each connection offered by ALPN, one line each.
struct RogueExpectation {
  std::string received;
  std::string offered_alpn;
};

RogueExpectation rogue_key_expectation(const std::string& port);

}  // namespace quillmar::testing
