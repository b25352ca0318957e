// Must always hold: what this signs is exactly the byte string the installer's
// verifier rebuilds, and the salt is the largest that fits, the only length accepted.
#include "answer_signer.h"

#include <openssl/evp.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "signature/canonical_json.h"
#include "signing_key.h"
#include "system/sha256.h"

namespace quillmar {

namespace {

constexpr std::string_view kTokenScheme = "pkcs11:";

Result<std::string> read_file(const std::filesystem::path& path, const std::string& what) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return Error{"cannot read the " + what + " " + path.string()};
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The PIN file's first line: editors and `echo` end the file with a line feed
// that is no part of the PIN.
Result<std::string> read_pin(const std::filesystem::path& pin_file) {
  if (pin_file.empty()) return Error{"a key in a token needs --pin-file"};
  std::string pin = QUILLMAR_TRY(read_file(pin_file, "PIN file"));
  pin = pin.substr(0, pin.find_first_of("\r\n"));
  if (pin.empty()) return Error{"the PIN file " + pin_file.string() + " is empty"};
  return pin;
}

Result<std::shared_ptr<const SigningKey>> open_key(const SigningKeyLocation& location) {
  if (location.key.empty()) return Error{"no signing key given"};
  if (location.key.starts_with(kTokenScheme)) {
    if (location.pkcs11_module.empty()) return Error{"a key in a token needs --pkcs11-module"};
    const std::string pin = QUILLMAR_TRY(read_pin(location.pin_file));
    return token_signing_key(location.key, location.pkcs11_module, pin);
  }
  const std::string pem = QUILLMAR_TRY(read_file(location.key, "signing key"));
  return pem_signing_key(pem);
}

Result<nlohmann::json> sign_with(const SigningKey& key, const nlohmann::json& answer) {
  if (!answer.is_object()) return Error{"only a JSON object can be signed"};
  const std::string payload = QUILLMAR_TRY(canonical_json_without(answer, {"signature", "sig_alg", "sig_version"}));
  const std::vector<unsigned char> signature = QUILLMAR_TRY(key.sign(payload));
  nlohmann::json signed_answer = answer;
  signed_answer["sig_alg"] = "RSA-PSS-SHA256-v1";
  signed_answer["sig_version"] = 1;
  signed_answer["signature"] =
      encode_base64(std::string_view(reinterpret_cast<const char*>(signature.data()), signature.size()));
  return signed_answer;
}

}  // namespace

bool read_signing_key_flag(const std::string& flag, const std::string& value, SigningKeyLocation& location) {
  if (flag == "--signing-key") location.key = value;
  else if (flag == "--pkcs11-module") location.pkcs11_module = value;
  else if (flag == "--pin-file") location.pin_file = value;
  else return false;
  return true;
}

AnswerSigner::AnswerSigner(std::shared_ptr<const SigningKey> key)
    : key_(std::move(key)), key_sha256_(to_hex(sha256_of(key_->public_key_der()))) {}

Result<AnswerSigner> AnswerSigner::open(const SigningKeyLocation& location) {
  return AnswerSigner(QUILLMAR_TRY(open_key(location)));
}

Result<nlohmann::json> AnswerSigner::sign(const nlohmann::json& answer) const { return sign_with(*key_, answer); }

std::string encode_base64(std::string_view bytes) {
  std::string text(4 * ((bytes.size() + 2) / 3) + 1, '\0');
  const int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()),
                                     reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size()));
  text.resize(static_cast<std::size_t>(length));
  return text;
}

Result<nlohmann::json> sign_answer(const nlohmann::json& answer, const std::string& private_key_pem) {
  const std::shared_ptr<const SigningKey> key = QUILLMAR_TRY(pem_signing_key(private_key_pem));
  return sign_with(*key, answer);
}

}  // namespace quillmar
