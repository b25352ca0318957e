#include <gtest/gtest.h>
#include <windows.h>

#include "system/registry.h"
#include "system/handle_win.h"

namespace quillmar {
namespace {

constexpr char kKey[] = "Software\\Quillmar Tests\\Registry";
constexpr wchar_t kWideKey[] = L"Software\\Quillmar Tests\\Registry";

// Writes a value with the exact type and bytes a test needs, including forms the
// installer's own writer never produces.
void set_raw(const wchar_t* name, DWORD type, const void* data, DWORD size) {
  RegistryKeyHandle key;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kWideKey, 0, nullptr, 0, KEY_WRITE, nullptr, key.receive(), nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(key.get(), name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
}

void set_text(const wchar_t* name, DWORD type, const std::wstring& data_with_nuls) {
  set_raw(name, type, data_with_nuls.data(), static_cast<DWORD>(data_with_nuls.size() * sizeof(wchar_t)));
}

std::optional<std::wstring> read_one(const char* name) {
  const auto values = read_user_string_values(kKey, {name});
  if (!values) return std::nullopt;
  return values->front();
}

class Registry : public ::testing::Test {
 protected:
  Registry() { (void)delete_user_key(kKey); }
  ~Registry() override { (void)delete_user_key(kKey); }
};

TEST_F(Registry, ReadsEachStringTypeByItsRule) {
  set_text(L"Plain", REG_SZ, std::wstring(L"1.5.13\0", 7));
  set_text(L"Expand", REG_EXPAND_SZ, std::wstring(L"%LOCALAPPDATA%\\Q\0", 17));
  set_text(L"Multi", REG_MULTI_SZ, std::wstring(L"first\0second\0\0", 14));
  set_text(L"ManyNuls", REG_SZ, std::wstring(L"v\0\0\0\0", 5));
  set_text(L"NoNul", REG_SZ, std::wstring(L"raw", 3));
  set_text(L"Empty", REG_SZ, std::wstring());

  EXPECT_EQ(read_one("Plain"), L"1.5.13");
  EXPECT_EQ(read_one("Expand"), L"%LOCALAPPDATA%\\Q");  // taken literally, never expanded
  EXPECT_EQ(read_one("Multi"), L"first\nsecond");
  EXPECT_EQ(read_one("ManyNuls"), L"v");
  EXPECT_EQ(read_one("NoNul"), L"raw");
  EXPECT_EQ(read_one("Empty"), L"");
}

TEST_F(Registry, ValuesOfOtherTypesAreNotStrings) {
  const DWORD number = 7;
  set_raw(L"Number", REG_DWORD, &number, sizeof number);
  set_raw(L"Bytes", REG_BINARY, "1.5", 3);
  set_text(L"Good", REG_SZ, L"ok");
  EXPECT_FALSE(read_one("Number").has_value());
  EXPECT_FALSE(read_one("Bytes").has_value());
  EXPECT_FALSE(read_user_string_values(kKey, {"Good", "Number"}).has_value());
  EXPECT_FALSE(read_user_string_values(kKey, {"Good", "Missing"}).has_value());
  ASSERT_TRUE(read_user_string_values(kKey, {"Good"}).has_value());
}

TEST_F(Registry, MissingKeyIsNoRecord) { EXPECT_FALSE(read_user_string_values(kKey, {"Anything"}).has_value()); }

TEST_F(Registry, WrittenValuesReadBackUnchanged) {
  const std::wstring text = L"C:\\Users\\\x0422\x0435\x0441\x0442\\Programs\\Quillmar";
  ASSERT_TRUE(write_user_string_value(kKey, "InstallLocation", text));
  EXPECT_EQ(read_one("InstallLocation"), text);
}

}  // namespace
}  // namespace quillmar
