// A signing key read from PEM text: development builds and tests keep the
// release-signing key in a file.
#include <openssl/bio.h>
#include <openssl/core_names.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include "signing_key.h"

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
struct BignumFree {
  void operator()(BIGNUM* number) const { BN_free(number); }
};
struct BuilderFree {
  void operator()(OSSL_PARAM_BLD* builder) const { OSSL_PARAM_BLD_free(builder); }
};
struct ParamsFree {
  void operator()(OSSL_PARAM* params) const { OSSL_PARAM_free(params); }
};
struct PkeyContextFree {
  void operator()(EVP_PKEY_CTX* context) const { EVP_PKEY_CTX_free(context); }
};
using PkeyPointer = std::unique_ptr<EVP_PKEY, PkeyFree>;

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

Result<std::string> public_der_of(EVP_PKEY* key) {
  unsigned char* der = nullptr;
  const int size = i2d_PUBKEY(key, &der);
  if (size <= 0) return Error{openssl_error("cannot encode the public key")};
  std::string bytes(reinterpret_cast<const char*>(der), static_cast<std::size_t>(size));
  OPENSSL_free(der);
  return bytes;
}

class PemSigningKey final : public SigningKey {
 public:
  PemSigningKey(PkeyPointer key, std::string public_der) : key_(std::move(key)), public_der_(std::move(public_der)) {}

  Result<std::vector<unsigned char>> sign(std::string_view message) const override {
    std::unique_ptr<EVP_MD_CTX, MdContextFree> context(EVP_MD_CTX_new());
    EVP_PKEY_CTX* options = nullptr;  // owned by CONTEXT
    if (!context || EVP_DigestSignInit(context.get(), &options, EVP_sha256(), nullptr, key_.get()) != 1 ||
        EVP_PKEY_CTX_set_rsa_padding(options, RSA_PKCS1_PSS_PADDING) != 1 ||
        EVP_PKEY_CTX_set_rsa_mgf1_md(options, EVP_sha256()) != 1 ||
        EVP_PKEY_CTX_set_rsa_pss_saltlen(options, RSA_PSS_SALTLEN_MAX) != 1) {
      return Error{openssl_error("cannot set up RSASSA-PSS signing")};
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(message.data());
    std::size_t length = 0;
    if (EVP_DigestSign(context.get(), nullptr, &length, bytes, message.size()) != 1) {
      return Error{openssl_error("signing failed")};
    }
    std::vector<unsigned char> signature(length);
    if (EVP_DigestSign(context.get(), signature.data(), &length, bytes, message.size()) != 1) {
      return Error{openssl_error("signing failed")};
    }
    signature.resize(length);
    return signature;
  }

  const std::string& public_key_der() const override { return public_der_; }

 private:
  PkeyPointer key_;
  std::string public_der_;
};

}  // namespace

Result<std::shared_ptr<const SigningKey>> pem_signing_key(const std::string& private_key_pem) {
  std::unique_ptr<BIO, BioFree> source(BIO_new_mem_buf(private_key_pem.data(), static_cast<int>(private_key_pem.size())));
  if (!source) return Error{openssl_error("cannot read the private key")};
  PkeyPointer key(PEM_read_bio_PrivateKey(source.get(), nullptr, nullptr, nullptr));
  if (!key) return Error{openssl_error("cannot read the private key")};
  if (!EVP_PKEY_is_a(key.get(), "RSA")) return Error{"the private key is not an RSA key"};
  std::string public_der = QUILLMAR_TRY(public_der_of(key.get()));
  return std::shared_ptr<const SigningKey>(std::make_shared<PemSigningKey>(std::move(key), std::move(public_der)));
}

Result<std::string> rsa_public_key_der(std::string_view modulus, std::string_view exponent) {
  auto number = [](std::string_view bytes) {
    return std::unique_ptr<BIGNUM, BignumFree>(
        BN_bin2bn(reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size()), nullptr));
  };
  const auto n = number(modulus);
  const auto e = number(exponent);
  std::unique_ptr<OSSL_PARAM_BLD, BuilderFree> builder(OSSL_PARAM_BLD_new());
  if (!n || !e || !builder || OSSL_PARAM_BLD_push_BN(builder.get(), OSSL_PKEY_PARAM_RSA_N, n.get()) != 1 ||
      OSSL_PARAM_BLD_push_BN(builder.get(), OSSL_PKEY_PARAM_RSA_E, e.get()) != 1) {
    return Error{openssl_error("cannot build the RSA public key")};
  }
  std::unique_ptr<OSSL_PARAM, ParamsFree> params(OSSL_PARAM_BLD_to_param(builder.get()));
  std::unique_ptr<EVP_PKEY_CTX, PkeyContextFree> context(EVP_PKEY_CTX_new_from_name(nullptr, "RSA", nullptr));
  EVP_PKEY* key = nullptr;
  if (!params || !context || EVP_PKEY_fromdata_init(context.get()) != 1 ||
      EVP_PKEY_fromdata(context.get(), &key, EVP_PKEY_PUBLIC_KEY, params.get()) != 1) {
    return Error{openssl_error("cannot build the RSA public key")};
  }
  const PkeyPointer owned(key);
  return public_der_of(owned.get());
}

}  // namespace quillmar
