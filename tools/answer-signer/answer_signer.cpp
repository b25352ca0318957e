// Must always hold: what this signs is exactly the byte string the installer's
// verifier rebuilds, and the salt is the largest that fits, the only length accepted.
#include "answer_signer.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>

#include <memory>
#include <vector>

#include "signature/canonical_json.h"

namespace quillmar {

namespace {

struct BioFree {
  void operator()(BIO* bio) const { BIO_free(bio); }
};
struct PkeyFree {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct MdContextFree {
  void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};

// The oldest queued OpenSSL error as text, and an empty queue afterwards, so one
// failure never shows up in the next call's message.
std::string openssl_error(const std::string& what) {
  const unsigned long code = ERR_get_error();
  ERR_clear_error();
  if (code == 0) return what;
  char text[256];
  ERR_error_string_n(code, text, sizeof text);
  return what + ": " + text;
}

std::string base64(const std::vector<unsigned char>& bytes) {
  std::string text(4 * ((bytes.size() + 2) / 3) + 1, '\0');
  const int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()), bytes.data(), static_cast<int>(bytes.size()));
  text.resize(static_cast<std::size_t>(length));
  return text;
}

}  // namespace

Result<nlohmann::json> sign_answer(const nlohmann::json& answer, const std::string& private_key_pem) {
  if (!answer.is_object()) return Error{"only a JSON object can be signed"};
  Result<std::string> payload = canonical_json_without(answer, {"signature", "sig_alg", "sig_version"});
  if (!payload) return payload.error();

  std::unique_ptr<BIO, BioFree> source(BIO_new_mem_buf(private_key_pem.data(), static_cast<int>(private_key_pem.size())));
  if (!source) return Error{openssl_error("cannot read the private key")};
  std::unique_ptr<EVP_PKEY, PkeyFree> key(PEM_read_bio_PrivateKey(source.get(), nullptr, nullptr, nullptr));
  if (!key) return Error{openssl_error("cannot read the private key")};
  if (!EVP_PKEY_is_a(key.get(), "RSA")) return Error{"the private key is not an RSA key"};

  std::unique_ptr<EVP_MD_CTX, MdContextFree> context(EVP_MD_CTX_new());
  EVP_PKEY_CTX* options = nullptr;  // owned by CONTEXT
  if (!context || EVP_DigestSignInit(context.get(), &options, EVP_sha256(), nullptr, key.get()) != 1 ||
      EVP_PKEY_CTX_set_rsa_padding(options, RSA_PKCS1_PSS_PADDING) != 1 ||
      EVP_PKEY_CTX_set_rsa_mgf1_md(options, EVP_sha256()) != 1 ||
      EVP_PKEY_CTX_set_rsa_pss_saltlen(options, RSA_PSS_SALTLEN_MAX) != 1) {
    return Error{openssl_error("cannot set up RSASSA-PSS signing")};
  }
  const auto* message = reinterpret_cast<const unsigned char*>(payload.value().data());
  std::size_t length = 0;
  if (EVP_DigestSign(context.get(), nullptr, &length, message, payload.value().size()) != 1) {
    return Error{openssl_error("signing failed")};
  }
  std::vector<unsigned char> signature(length);
  if (EVP_DigestSign(context.get(), signature.data(), &length, message, payload.value().size()) != 1) {
    return Error{openssl_error("signing failed")};
  }
  signature.resize(length);

  nlohmann::json signed_answer = answer;
  signed_answer["sig_alg"] = "RSA-PSS-SHA256-v1";
  signed_answer["sig_version"] = 1;
  signed_answer["signature"] = base64(signature);
  return signed_answer;
}

}  // namespace quillmar
