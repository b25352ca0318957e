#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillmar {

// The version of an installed web view runtime: four dot-separated numbers, the
// name of the runtime's versioned folder ("120.0.2210.91").
using RuntimeVersion = std::array<std::uint32_t, 4>;

// The oldest runtime the host accepts: the first stable release, which introduced
// every interface the host calls. Older ones lack them and would crash or fail.
inline constexpr RuntimeVersion kOldestRuntimeVersion = {86, 0, 616, 0};

// The version named by the last component of FOLDER (either separator), or nothing
// when that component is not exactly four dot-separated decimal numbers.
std::optional<RuntimeVersion> runtime_version_of_folder(std::string_view folder);

bool is_supported_runtime_version(const RuntimeVersion& version);

std::string runtime_version_text(const RuntimeVersion& version);

}  // namespace quillmar
