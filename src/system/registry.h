#pragma once

#include <initializer_list>
#include <optional>
#include <string_view>
#include <vector>

#include "system/path.h"
#include "system/result.h"

namespace quillmar {

// Text as the operating system keeps it: UTF-16 on Windows, bytes on the host.
using NativeString = Path::string_type;

// The current user's registry (HKEY_CURRENT_USER on Windows; on the Linux host a
// file-backed store, described in the README, that the stand-in setup package
// writes). Keys are named with backslashes, as in "Software\Vendor\Key".

// Reads the named string values of KEY. A string value is REG_SZ, REG_EXPAND_SZ
// (taken literally, not expanded) or REG_MULTI_SZ (its strings joined with line
// feeds); trailing NULs are dropped. Nothing when the key cannot be opened or any
// value is missing, unreadable or of another type.
std::optional<std::vector<NativeString>> read_user_string_values(std::string_view key,
                                                                 std::initializer_list<std::string_view> names);

// Creates KEY if needed and sets NAME to VALUE as REG_SZ. Used by the stand-in
// setup package and by tests that prepare a record. Fails with the OS text.
Result<void> write_user_string_value(std::string_view key, std::string_view name, const NativeString& value);

// Removes KEY and its values, if present. Fails with the OS text.
Result<void> delete_user_key(std::string_view key);

}  // namespace quillmar
