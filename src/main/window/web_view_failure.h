#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quillmar {

// The error text of a failed step of bringing up the web view, as it ends the
// missing-web-view message: "<step> failed: 0x<code as eight lowercase hex digits>",
// then " (<detail>)" when there is one. The code is the HRESULT Windows or the
// runtime gave, so a report from a user's machine can be looked up.
std::string web_view_failure_text(std::string_view step, std::uint32_t code, std::string_view detail = {});

}  // namespace quillmar
