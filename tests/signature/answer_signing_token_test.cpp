// The release-signing key made inside a PKCS#11 token (SoftHSM2, in this test's
// own folder), where it is sensitive and never extractable, signs answers that the
// installer's own verifier accepts; the token's public half is read with the
// token's own tool, not through the signer, so a wrong key would show.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "answer_signer.h"
#include "signature/canonical_json.h"
#include "signature/signature_verifier.h"
#include "support/child_process.h"
#include "support/scratch.h"
#include "system/sha256.h"

namespace quillmar {
namespace {

using nlohmann::json;
namespace fs = std::filesystem;

constexpr char kModule[] = QUILLMAR_TEST_SOFTHSM2_MODULE;
constexpr char kToken[] = "quillmar-answers";
constexpr char kPin[] = "314159";
constexpr std::int64_t kNow = 1700000000;  // 2023-11-14T22:13:20Z

std::string run(const std::string& program, const std::vector<std::string>& arguments) {
  const testing::ChildResult result = testing::run_child(program, arguments);
  if (result.exit_code != 0) throw std::runtime_error(program + " failed: " + result.output);
  return result.output;
}

std::vector<std::string> with_token(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), {"--module", kModule, "--token-label", kToken, "--login", "--pin", kPin});
  return arguments;
}

std::string pem_of(const std::string& der) {
  const std::string body = encode_base64(der);
  std::string pem = "-----BEGIN PUBLIC KEY-----\n";
  for (std::size_t at = 0; at < body.size(); at += 64) pem += body.substr(at, 64) + "\n";
  return pem + "-----END PUBLIC KEY-----\n";
}

class AnswerSigningToken : public ::testing::Test {
 protected:
  void SetUp() override {
    const fs::path tokens = folder_.path() / "tokens";
    fs::create_directory(tokens);
    testing::write_file(folder_.path() / "softhsm2.conf",
                        "directories.tokendir = " + tokens.string() + "\nobjectstore.backend = file\nlog.level = ERROR\n");
    testing::write_file(pin_file_, std::string(kPin) + "\n");
    run(QUILLMAR_TEST_SOFTHSM2_UTIL, {"--init-token", "--free", "--label", kToken, "--so-pin", "27182818", "--pin", kPin});
    run(QUILLMAR_TEST_PKCS11_TOOL, with_token({"--keypairgen", "--key-type", "rsa:4096", "--label", "answer-signing", "--id", "01",
                                   "--sensitive", "--usage-sign"}));
  }

  json answer(json members) const {
    members["nonce"] = nonce_;
    members["server_time"] = "2023-11-14T22:13:20Z";
    members["issuer"] = {{"environment", "production"}, {"signing_key_sha256", key_sha256_}};
    return members;
  }

  testing::ScratchFolder folder_;
  testing::ScopedVariable softhsm_conf_{"SOFTHSM2_CONF", Path(folder_.path() / "softhsm2.conf")};
  const fs::path pin_file_ = folder_.path() / "pin";
  const std::string nonce_ = std::string(48, 'b');
  std::string key_sha256_;
};

TEST_F(AnswerSigningToken, SignsAnswersTheInstallerAcceptsAndNoneWithAShortSalt) {
  const std::string objects = run(QUILLMAR_TEST_PKCS11_TOOL, with_token({"--list-objects", "--type", "privkey"}));
  EXPECT_NE(objects.find("sensitive, always sensitive, never extractable"), std::string::npos) << objects;

  const fs::path public_der = folder_.path() / "public.der";
  run(QUILLMAR_TEST_PKCS11_TOOL, with_token({"--read-object", "--type", "pubkey", "--label", "answer-signing", "-o", public_der}));
  const std::string der = testing::read_file(public_der);
  key_sha256_ = to_hex(sha256_of(der));
  const auto verifier = SignatureVerifier::from_key(pem_of(der), key_sha256_);
  ASSERT_TRUE(verifier.ok()) << verifier.error().message;

  const auto signer = AnswerSigner::open(
      {std::string("pkcs11:token=") + kToken + ";object=answer-signing;type=private", kModule, pin_file_});
  ASSERT_TRUE(signer.ok()) << signer.error().message;
  EXPECT_EQ(signer.value().key_sha256(), key_sha256_);

  const json package = {{"schema", "quillmar-installer-authorize-v1"}, {"platform", "windows_x86_64"},
                        {"version", "1.5.13"}, {"filename", "quillmar-setup-1.5.13.exe"}, {"size_bytes", 1048576},
                        {"sha256", std::string(64, 'c')},
                        {"download_url", "https://localhost:47443/api/v1/installer/download/x/quillmar-setup-1.5.13.exe"}};
  for (const json& unsigned_answer : {answer(json::object()), answer(package)}) {
    const auto signed_answer = signer.value().sign(unsigned_answer);
    ASSERT_TRUE(signed_answer.ok()) << signed_answer.error().message;
    const Result<void> verdict = verifier.value()->verify(signed_answer.value(), nonce_, kNow);
    EXPECT_TRUE(verdict.ok()) << verdict.error().message;
  }

  // The same token and key, with the salt a cloud key service would use.
  const json short_salt = answer(package);
  const fs::path payload = folder_.path() / "payload";
  const fs::path signature = folder_.path() / "signature";
  testing::write_file(payload, canonical_json_without(short_salt, {}).value());
  run(QUILLMAR_TEST_PKCS11_TOOL, with_token({"--sign", "--id", "01", "--mechanism", "SHA256-RSA-PKCS-PSS", "--salt-len", "32",
                                 "-i", payload, "-o", signature}));
  json refused = short_salt;
  refused["sig_alg"] = "RSA-PSS-SHA256-v1";
  refused["sig_version"] = 1;
  refused["signature"] = encode_base64(testing::read_file(signature));
  EXPECT_EQ(verifier.value()->verify(refused, nonce_, kNow).error().message, "signature verification failed");
}

TEST_F(AnswerSigningToken, NamesWhatStopsItFromOpeningTheKey) {
  const std::string uri = std::string("pkcs11:token=") + kToken + ";object=answer-signing";
  testing::write_file(folder_.path() / "wrong-pin", "000000\n");
  const struct {
    SigningKeyLocation location;
    const char* error;
  } cases[] = {
      {{uri, kModule, folder_.path() / "wrong-pin"}, "C_Login failed: The password or PIN is incorrect"},
      {{uri + ";pin-value=314159", kModule, pin_file_}, "the key's URI carries a PIN; give it in the PIN file instead"},
      {{"pkcs11:token=elsewhere;object=answer-signing", kModule, pin_file_}, "no token matches the key's URI"},
      {{"pkcs11:token=quillmar-answers;object=another", kModule, pin_file_},
       "the token holds no RSA private key that matches the URI"},
      {{uri, kModule, {}}, "a key in a token needs --pin-file"},
  };
  for (const auto& row : cases) {
    const auto signer = AnswerSigner::open(row.location);
    ASSERT_FALSE(signer.ok()) << row.location.key;
    EXPECT_EQ(signer.error().message, row.error) << row.location.key;
  }
}

}  // namespace
}  // namespace quillmar
