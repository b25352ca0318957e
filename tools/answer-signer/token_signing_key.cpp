// A signing key that never leaves its PKCS#11 token. The token makes each
// signature; this side only finds the key, logs in once and asks. p11-kit gives
// the PKCS#11 declarations, the RFC 7512 URI grammar and the module loading, so
// the same code reaches SoftHSM2 in tests and a vendor's HSM in production.
#include <p11-kit/p11-kit.h>
#include <p11-kit/uri.h>

#include <mutex>

#include "signing_key.h"

namespace quillmar {

namespace {

Error token_error(const std::string& call, CK_RV code) {
  return Error{call + " failed: " + p11_kit_strerror(code)};
}

struct UriFree {
  void operator()(P11KitUri* uri) const { p11_kit_uri_free(uri); }
};

// The module, initialized, with one logged-in session. PKCS#11 lets one session
// run one operation at a time, so signing is serialized here; a replica that
// needs more signatures a second runs as another process.
class TokenSigningKey final : public SigningKey {
 public:
  explicit TokenSigningKey(CK_FUNCTION_LIST* module) : module_(module) {}
  TokenSigningKey(const TokenSigningKey&) = delete;
  TokenSigningKey& operator=(const TokenSigningKey&) = delete;

  ~TokenSigningKey() override {
    if (session_ != CK_INVALID_HANDLE) module_->C_CloseSession(session_);
    p11_kit_module_finalize(module_);
    p11_kit_module_release(module_);
  }

  Result<void> open(P11KitUri* uri, const std::string& pin) {
    const CK_SLOT_ID slot = QUILLMAR_TRY(find_token(uri));
    CK_RV code = module_->C_OpenSession(slot, CKF_SERIAL_SESSION, nullptr, nullptr, &session_);
    if (code != CKR_OK) return token_error("C_OpenSession", code);
    std::string pin_bytes = pin;
    code = module_->C_Login(session_, CKU_USER, reinterpret_cast<CK_UTF8CHAR_PTR>(pin_bytes.data()),
                            static_cast<CK_ULONG>(pin_bytes.size()));
    if (code != CKR_OK && code != CKR_USER_ALREADY_LOGGED_IN) return token_error("C_Login", code);
    key_ = QUILLMAR_TRY(find_key(uri));
    return read_public_half();
  }

  Result<std::vector<unsigned char>> sign(std::string_view message) const override {
    // The largest salt: the encoded message's length less the digest and two bytes.
    const std::size_t encoded_length = (modulus_bits_ - 1 + 7) / 8;
    CK_RSA_PKCS_PSS_PARAMS params{CKM_SHA256, CKG_MGF1_SHA256, encoded_length - 32 - 2};
    CK_MECHANISM mechanism{CKM_SHA256_RSA_PKCS_PSS, &params, sizeof params};
    std::vector<unsigned char> signature((modulus_bits_ + 7) / 8);
    auto length = static_cast<CK_ULONG>(signature.size());
    std::string bytes(message);
    std::lock_guard<std::mutex> lock(session_mutex_);
    CK_RV code = module_->C_SignInit(session_, &mechanism, key_);
    if (code != CKR_OK) return token_error("C_SignInit", code);
    code = module_->C_Sign(session_, reinterpret_cast<CK_BYTE_PTR>(bytes.data()), static_cast<CK_ULONG>(bytes.size()),
                           signature.data(), &length);
    if (code != CKR_OK) return token_error("C_Sign", code);
    signature.resize(length);
    return signature;
  }

  const std::string& public_key_der() const override { return public_der_; }

 private:
  // The one token the URI names; two would leave the choice of key to chance.
  Result<CK_SLOT_ID> find_token(P11KitUri* uri) const {
    CK_ULONG count = 0;
    CK_RV code = module_->C_GetSlotList(CK_TRUE, nullptr, &count);
    if (code != CKR_OK) return token_error("C_GetSlotList", code);
    std::vector<CK_SLOT_ID> slots(count);
    code = module_->C_GetSlotList(CK_TRUE, slots.data(), &count);
    if (code != CKR_OK) return token_error("C_GetSlotList", code);
    slots.resize(count);
    std::vector<CK_SLOT_ID> matching;
    for (const CK_SLOT_ID slot : slots) {
      CK_TOKEN_INFO info;
      if (module_->C_GetTokenInfo(slot, &info) == CKR_OK && p11_kit_uri_match_token_info(uri, &info) == 1) {
        matching.push_back(slot);
      }
    }
    if (matching.size() != 1) {
      return Error{matching.empty() ? "no token matches the key's URI"
                                    : std::to_string(matching.size()) + " tokens match the key's URI"};
    }
    return matching.front();
  }

  // The one RSA private key among the objects the URI describes.
  Result<CK_OBJECT_HANDLE> find_key(P11KitUri* uri) const {
    CK_OBJECT_CLASS key_class = CKO_PRIVATE_KEY;
    CK_KEY_TYPE key_type = CKK_RSA;
    CK_ULONG described = 0;
    CK_ATTRIBUTE* attributes = p11_kit_uri_get_attributes(uri, &described);
    std::vector<CK_ATTRIBUTE> search(attributes, attributes + described);
    std::erase_if(search, [](const CK_ATTRIBUTE& attribute) { return attribute.type == CKA_CLASS; });
    search.push_back({CKA_CLASS, &key_class, sizeof key_class});
    search.push_back({CKA_KEY_TYPE, &key_type, sizeof key_type});

    CK_RV code = module_->C_FindObjectsInit(session_, search.data(), static_cast<CK_ULONG>(search.size()));
    if (code != CKR_OK) return token_error("C_FindObjectsInit", code);
    CK_OBJECT_HANDLE found[2];
    CK_ULONG count = 0;
    code = module_->C_FindObjects(session_, found, 2, &count);
    module_->C_FindObjectsFinal(session_);
    if (code != CKR_OK) return token_error("C_FindObjects", code);
    if (count != 1) {
      return Error{count == 0 ? "the token holds no RSA private key that matches the URI"
                              : "more than one RSA private key in the token matches the URI"};
    }
    return found[0];
  }

  // An RSA private key object carries its modulus and public exponent, which are
  // not secret, so the public half comes from the key itself, never from a
  // separate object that might belong to another key.
  Result<void> read_public_half() {
    CK_ATTRIBUTE sizes[] = {{CKA_MODULUS, nullptr, 0}, {CKA_PUBLIC_EXPONENT, nullptr, 0}};
    CK_RV code = module_->C_GetAttributeValue(session_, key_, sizes, 2);
    if (code != CKR_OK) return token_error("C_GetAttributeValue", code);
    std::string modulus(sizes[0].ulValueLen, '\0');
    std::string exponent(sizes[1].ulValueLen, '\0');
    CK_ATTRIBUTE values[] = {{CKA_MODULUS, modulus.data(), sizes[0].ulValueLen},
                             {CKA_PUBLIC_EXPONENT, exponent.data(), sizes[1].ulValueLen}};
    code = module_->C_GetAttributeValue(session_, key_, values, 2);
    if (code != CKR_OK) return token_error("C_GetAttributeValue", code);
    const std::size_t first = modulus.find_first_not_of('\0');
    if (first == std::string::npos) return Error{"the token's key has an empty modulus"};
    modulus.erase(0, first);
    modulus_bits_ = modulus.size() * 8;
    for (auto top = static_cast<unsigned char>(modulus[0]); (top & 0x80) == 0; top = static_cast<unsigned char>(top << 1)) {
      --modulus_bits_;
    }
    if (modulus_bits_ < 2048) return Error{"the token's key has " + std::to_string(modulus_bits_) + " bits; 2048 at least"};
    public_der_ = QUILLMAR_TRY(rsa_public_key_der(modulus, exponent));
    return {};
  }

  CK_FUNCTION_LIST* module_;
  CK_SESSION_HANDLE session_ = CK_INVALID_HANDLE;
  CK_OBJECT_HANDLE key_ = CK_INVALID_HANDLE;
  std::size_t modulus_bits_ = 0;
  std::string public_der_;
  mutable std::mutex session_mutex_;
};

}  // namespace

Result<std::shared_ptr<const SigningKey>> token_signing_key(const std::string& uri_text,
                                                            const std::filesystem::path& module_path,
                                                            const std::string& pin) {
  const std::unique_ptr<P11KitUri, UriFree> uri(p11_kit_uri_new());
  const int parsed = p11_kit_uri_parse(uri_text.c_str(), P11_KIT_URI_FOR_OBJECT_ON_TOKEN, uri.get());
  if (parsed != P11_KIT_URI_OK) return Error{"the key's URI " + uri_text + " is not valid: " + p11_kit_uri_message(parsed)};
  if (p11_kit_uri_get_pin_value(uri.get()) != nullptr) {
    return Error{"the key's URI carries a PIN; give it in the PIN file instead"};
  }

  CK_FUNCTION_LIST* module = p11_kit_module_load(module_path.c_str(), 0);
  if (module == nullptr) return Error{"cannot load the PKCS#11 module " + module_path.string() + ": " + p11_kit_message()};
  const CK_RV code = p11_kit_module_initialize(module);
  if (code != CKR_OK) {
    p11_kit_module_release(module);
    return token_error("C_Initialize", code);
  }
  auto key = std::make_shared<TokenSigningKey>(module);
  QUILLMAR_TRY(key->open(uri.get(), pin));
  return std::shared_ptr<const SigningKey>(std::move(key));
}

}  // namespace quillmar
