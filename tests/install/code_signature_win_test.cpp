// The system's Authenticode answers for real files, judged by the shared rule.
// Wine does not refuse an untrusted root, so the refusal is shown with a signed file
// whose content changed after signing.
#include <gtest/gtest.h>

#include "install/code_signature.h"
#include "support/scratch.h"
#include "system/file_io.h"
#include "system/paths.h"

namespace quillmar {
namespace {

std::filesystem::path copy_beside_me(const char* name, const testing::ScratchFolder& scratch) {
  const auto content = read_whole_file(own_executable_path()->parent_path() / path_from_text(name));
  EXPECT_TRUE(content) << name;
  const auto path = scratch.path() / (std::string(name) + ".exe");
  testing::write_file(path, content.value_or(""));
  return path;
}

TEST(WinVerifyTrust, AcceptsAnUnsignedProgram) {
  testing::ScratchFolder scratch;
  const TrustAnswer answer = query_code_signature(Path(copy_beside_me("fake-app.bin", scratch)));
  EXPECT_EQ(answer.status, kTrustNoSignature);
  EXPECT_TRUE(judge_code_signature(answer));
}

TEST(WinVerifyTrust, RefusesASignedProgramChangedAfterSigning) {
  testing::ScratchFolder scratch;
  const auto judged = verifyCodeSignature(Path(copy_beside_me("tampered-signed-app.bin", scratch)));
  ASSERT_FALSE(judged);
  EXPECT_EQ(judged.error(), 0x80096010u);  // TRUST_E_BAD_DIGEST
}

TEST(WinVerifyTrust, RefusesAFileThatIsNoProgram) {
  testing::ScratchFolder scratch;
  testing::write_file(scratch.path() / "quillmar-setup.exe", "not a program");
  const auto judged = verifyCodeSignature(Path(scratch.path() / "quillmar-setup.exe"));
  ASSERT_FALSE(judged);
  EXPECT_EQ(judged.error(), kTrustSubjectFormUnknown);
}

}  // namespace
}  // namespace quillmar
