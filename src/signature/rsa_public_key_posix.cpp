// Must always hold: a signature passes only when OpenSSL's PSS check with SHA-256,
// MGF1-SHA-256 and exactly the requested salt length says so.
#include <openssl/core_names.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include "signature/rsa_public_key.h"

namespace quillmar {

namespace {

struct PkeyFree {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct PkeyContextFree {
  void operator()(EVP_PKEY_CTX* context) const { EVP_PKEY_CTX_free(context); }
};
struct BignumFree {
  void operator()(BIGNUM* number) const { BN_free(number); }
};

// The oldest queued OpenSSL error as text; the queue is left empty so a failure
// never reappears in a later, unrelated message on this thread.
std::string openssl_error(const char* fallback) {
  const unsigned long code = ERR_get_error();
  ERR_clear_error();
  if (code == 0) return fallback;
  char text[256];
  ERR_error_string_n(code, text, sizeof text);
  return text;
}

class OpensslRsaPublicKey final : public RsaPublicKey {
 public:
  OpensslRsaPublicKey(std::unique_ptr<EVP_PKEY, PkeyFree> key, std::vector<std::uint8_t> modulus)
      : key_(std::move(key)), modulus_(std::move(modulus)) {}

  const std::vector<std::uint8_t>& modulus() const override { return modulus_; }

  bool verify_pss_sha256(const Sha256Digest& message_hash, const std::vector<std::uint8_t>& signature,
                         std::size_t salt_length) const override {
    // A context per call: the key is shared by threads, a context is not.
    std::unique_ptr<EVP_PKEY_CTX, PkeyContextFree> context(EVP_PKEY_CTX_new(key_.get(), nullptr));
    const bool verified =
        context && EVP_PKEY_verify_init(context.get()) == 1 &&
        EVP_PKEY_CTX_set_rsa_padding(context.get(), RSA_PKCS1_PSS_PADDING) == 1 &&
        EVP_PKEY_CTX_set_signature_md(context.get(), EVP_sha256()) == 1 &&
        EVP_PKEY_CTX_set_rsa_mgf1_md(context.get(), EVP_sha256()) == 1 &&
        EVP_PKEY_CTX_set_rsa_pss_saltlen(context.get(), static_cast<int>(salt_length)) == 1 &&
        EVP_PKEY_verify(context.get(), signature.data(), signature.size(), message_hash.data(), message_hash.size()) == 1;
    ERR_clear_error();
    return verified;
  }

 private:
  std::unique_ptr<EVP_PKEY, PkeyFree> key_;
  std::vector<std::uint8_t> modulus_;
};

}  // namespace

Result<std::unique_ptr<const RsaPublicKey>> RsaPublicKey::from_subject_public_key_info(
    const std::vector<std::uint8_t>& der) {
  const unsigned char* cursor = der.data();
  std::unique_ptr<EVP_PKEY, PkeyFree> key(d2i_PUBKEY(nullptr, &cursor, static_cast<long>(der.size())));
  if (!key) return Error{openssl_error("not a SubjectPublicKeyInfo")};
  if (cursor != der.data() + der.size()) return Error{"trailing bytes after the SubjectPublicKeyInfo"};
  // The exact type, not just the RSA family: an RSA-PSS key would carry its own
  // parameters that could overrule the ones the verifier insists on.
  if (EVP_PKEY_get_base_id(key.get()) != EVP_PKEY_RSA) return Error{"the key is not an RSA key"};

  BIGNUM* raw_modulus = nullptr;
  if (EVP_PKEY_get_bn_param(key.get(), OSSL_PKEY_PARAM_RSA_N, &raw_modulus) != 1) {
    return Error{openssl_error("cannot read the RSA modulus")};
  }
  std::unique_ptr<BIGNUM, BignumFree> modulus_number(raw_modulus);
  std::vector<std::uint8_t> modulus(static_cast<std::size_t>(BN_num_bytes(modulus_number.get())));
  BN_bn2bin(modulus_number.get(), modulus.data());
  return std::unique_ptr<const RsaPublicKey>(new OpensslRsaPublicKey(std::move(key), std::move(modulus)));
}

}  // namespace quillmar
