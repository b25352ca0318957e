#include <gtest/gtest.h>

#include "system/version_rule.h"

namespace quillmar {
namespace {

TEST(VersionRule, AcceptsTwoToFourPartsOfOneToFiveDigits) {
  for (const char* version : {"1.4", "1.5.13", "10.0.0.12345", "0.0", "99999.99999.99999.99999"}) {
    EXPECT_TRUE(matches_version_rule(version)) << version;
  }
}

TEST(VersionRule, RejectsEverythingElse) {
  for (const char* version : {"", "1", "1.5.13.7.2", "1.x", "v1.5", "1..5", "123456.1", ".1.2", "1.2.", "1.2 ",
                              " 1.2", "1.-2", "1.+2", "1.2\n", "\xD9\xA1.2"}) {
    EXPECT_FALSE(matches_version_rule(version)) << version;
  }
}

TEST(RequestedVersion, ReadsTheVersionAfterTheMarkerInAnyLetterCase) {
  struct Case {
    const char* file_name;
    const char* expected;  // nullptr: no requested version
  };
  const Case cases[] = {
      {"Quillmar_Installer_1.4.2.exe", "1.4.2"},
      {"QUILLMAR_INSTALLER_2.0 (1).exe", "2.0"},
      {"quillmar_installer_7.exe", nullptr},
      {"Quillmar_Installer_.1.2.exe", nullptr},
      {"Quillmar_Installer.exe", nullptr},
      {"setup.exe", nullptr},
      {"quillmar_installer_123456.1.exe", nullptr},
      {"Quillmar_Installer_1.4.2..exe", "1.4.2"},
      {"Quillmar_Installer_1.4.2", "1.4.2"},
      {"Download-QuIlLmAr_InStAlLeR_10.0.0.12345.exe", "10.0.0.12345"},
      {"Quillmar_Installer_1.2.3.4.5.exe", nullptr},
      {"Quillmar_Installer_1.2_quillmar_installer_3.4.exe", "1.2"},
      {"Quillmar_Installer_", nullptr},
      {"", nullptr},
  };
  for (const Case& c : cases) {
    const auto version = requested_version_from_file_name(c.file_name);
    if (c.expected == nullptr) {
      EXPECT_FALSE(version.has_value()) << c.file_name << " gave " << version.value_or("");
    } else {
      EXPECT_EQ(version.value_or("<none>"), c.expected) << c.file_name;
    }
  }
}

}  // namespace
}  // namespace quillmar
