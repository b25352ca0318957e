#include "transport_expectations.h"

namespace quillmar::testing {

// WinHTTP shows the certificate only in the notification that comes right before it
// writes the head, and Wine writes the head whatever that notification does, so a
// refused server gets each request's head; the body (the nonce) never goes out.
// No ALPN is offered.
RogueExpectation rogue_key_expectation(const std::string& port) {
  const std::string host = "Host: localhost:" + port + "\r\n";
  return {"POST /api/v1/installer/preflight HTTP/1.1\r\nUser-Agent: Quillmar-Installer/1.5.13\r\n" + host +
              "Content-Length: 24\r\nConnection: Keep-Alive\r\nAccept: application/json\r\n"
              "Content-Type: application/json; charset=utf-8\r\n\r\n"
              "GET /api/v1/installer/download/1.5.13/quillmar-setup-1.5.13.exe HTTP/1.1\r\n"
              "User-Agent: Quillmar-Installer/1.5.13\r\n" + host + "Connection: Keep-Alive\r\n\r\n",
          "none\nnone\n"};
}

}  // namespace quillmar::testing
