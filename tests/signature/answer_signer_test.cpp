// The signing helper, checked with OpenSSL's own PSS verification rather than the
// installer's verifier, so a fault shared by both sides would still show.
#include <gtest/gtest.h>
#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "answer_signer.h"
#include "signature/signature_verifier.h"
#include "support/scratch.h"

namespace quillmar {
namespace {

using nlohmann::json;

std::string dev_private_key() {
  const char* path = std::getenv("QUILLMAR_DEV_SIGNING_PRIVATE_KEY");
  if (path == nullptr) throw std::runtime_error("QUILLMAR_DEV_SIGNING_PRIVATE_KEY is not set");
  return testing::read_file(path);
}

std::vector<unsigned char> base64_decode(const std::string& text) {
  std::vector<unsigned char> bytes(text.size());
  const int length = EVP_DecodeBlock(bytes.data(), reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size()));
  if (length < 0) throw std::runtime_error("not base64: " + text);
  std::size_t padding = 0;
  while (padding < text.size() && text[text.size() - 1 - padding] == '=') ++padding;
  bytes.resize(static_cast<std::size_t>(length) - padding);
  return bytes;
}

// OpenSSL's verdict on SIGNATURE over MESSAGE with the given PSS salt length.
bool openssl_verifies(const std::string& private_key_pem, const std::string& message,
                      const std::vector<unsigned char>& signature, int salt_length) {
  BIO* source = BIO_new_mem_buf(private_key_pem.data(), static_cast<int>(private_key_pem.size()));
  EVP_PKEY* key = PEM_read_bio_PrivateKey(source, nullptr, nullptr, nullptr);
  BIO_free(source);
  EVP_MD_CTX* context = EVP_MD_CTX_new();
  EVP_PKEY_CTX* options = nullptr;
  bool verified = EVP_DigestVerifyInit(context, &options, EVP_sha256(), nullptr, key) == 1 &&
                  EVP_PKEY_CTX_set_rsa_padding(options, RSA_PKCS1_PSS_PADDING) == 1 &&
                  EVP_PKEY_CTX_set_rsa_mgf1_md(options, EVP_sha256()) == 1 &&
                  EVP_PKEY_CTX_set_rsa_pss_saltlen(options, salt_length) == 1 &&
                  EVP_DigestVerify(context, signature.data(), signature.size(),
                                   reinterpret_cast<const unsigned char*>(message.data()), message.size()) == 1;
  EVP_MD_CTX_free(context);
  EVP_PKEY_free(key);
  return verified;
}

TEST(AnswerSigner, SignsTheCanonicalPayloadWithTheLargestSalt) {
  const std::string key = dev_private_key();
  const json answer = json::parse(R"({"nonce":"n","z":{"signature":"nested stays"},"a":"\u00e9",
                                      "signature":"old","sig_version":7})");
  const Result<json> signed_answer = sign_answer(answer, key);
  ASSERT_TRUE(signed_answer.ok()) << signed_answer.error().message;
  EXPECT_EQ(signed_answer.value()["sig_alg"], "RSA-PSS-SHA256-v1");
  EXPECT_TRUE(signed_answer.value()["sig_version"].is_number_integer());
  EXPECT_EQ(signed_answer.value()["sig_version"], 1);
  EXPECT_EQ(signed_answer.value()["z"], answer["z"]);

  const std::vector<unsigned char> signature = base64_decode(signed_answer.value()["signature"].get<std::string>());
  ASSERT_EQ(signature.size(), 512u);
  const std::string payload = R"({"a":"\u00e9","nonce":"n","z":{"signature":"nested stays"}})";
  // 4096-bit key: 512-byte encoded message, minus the 32-byte hash and two bytes.
  EXPECT_TRUE(openssl_verifies(key, payload, signature, 478));
  EXPECT_FALSE(openssl_verifies(key, payload, signature, 32));
  EXPECT_FALSE(openssl_verifies(key, payload + " ", signature, 478));
}

TEST(AnswerSigner, RefusesWhatCannotBeSigned) {
  const std::string key = dev_private_key();
  EXPECT_EQ(sign_answer(json::array({1}), key).error().message, "only a JSON object can be signed");
  EXPECT_EQ(sign_answer(json::parse(R"({"price":9.5})"), key).error().message,
            "a signed answer carries a floating-point number");
  EXPECT_FALSE(sign_answer(json::object(), "not a key").ok());
  EXPECT_FALSE(sign_answer(json::object(), key.substr(0, key.size() / 2)).ok());

  EVP_PKEY* elliptic = EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256");
  ASSERT_NE(elliptic, nullptr);
  BIO* sink = BIO_new(BIO_s_mem());
  PEM_write_bio_PrivateKey(sink, elliptic, nullptr, nullptr, 0, nullptr, nullptr);
  char* data = nullptr;
  const long size = BIO_get_mem_data(sink, &data);
  const std::string elliptic_pem(data, static_cast<std::size_t>(size));
  BIO_free(sink);
  EVP_PKEY_free(elliptic);
  EXPECT_EQ(sign_answer(json::object(), elliptic_pem).error().message, "the private key is not an RSA key");
}

TEST(AnswerSigner, ItsAnswersPassTheInstallersVerifier) {
  const Result<std::shared_ptr<const SignatureVerifier>> verifier = SignatureVerifier::from_key(
      testing::read_file(std::getenv("QUILLMAR_DEV_SIGNING_PUBLIC_KEY")), QUILLMAR_TEST_DEV_SIGNING_KEY_SHA256);
  ASSERT_TRUE(verifier.ok()) << verifier.error().message;
  const std::string nonce(48, 'a');
  const std::int64_t now = 1700000000;  // 2023-11-14T22:13:20Z
  for (const char* server_time : {"2023-11-14T22:13:20Z", "2023-11-14T22:13:20+00:00", "2023-11-15T01:13:20.5+03:00"}) {
    const json answer = {{"nonce", nonce},
                         {"server_time", server_time},
                         {"issuer", {{"environment", "production"}, {"signing_key_sha256", verifier.value()->signing_key_sha256()}}},
                         {"releases", {{{"version", "1.5.13"}, {"size_bytes", 1}}}}};
    const Result<json> signed_answer = sign_answer(answer, dev_private_key());
    ASSERT_TRUE(signed_answer.ok()) << signed_answer.error().message;
    const Result<void> accepted = verifier.value()->verify(signed_answer.value(), nonce, now);
    EXPECT_TRUE(accepted.ok()) << server_time << ": " << accepted.error().message;

    json nested = signed_answer.value();
    nested["releases"][0]["signature"] = signed_answer.value()["signature"];
    EXPECT_EQ(verifier.value()->verify(nested, nonce, now).error().message, "signature verification failed");
  }
}

}  // namespace
}  // namespace quillmar
