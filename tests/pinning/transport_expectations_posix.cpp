#include "transport_expectations.h"

namespace quillmar::testing {

// libcurl checks the pin before it writes anything, and offers HTTP/1.1 alone.
RogueExpectation rogue_key_expectation(const std::string&) { return {"", "http/1.1\nhttp/1.1\n"}; }

}  // namespace quillmar::testing
