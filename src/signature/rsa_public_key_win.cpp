// Must always hold: a signature passes only when BCrypt's PSS check with SHA-256
// (which also masks with MGF1-SHA-256) and exactly the requested salt length says so.
#include <windows.h>
#include <bcrypt.h>
#include <wincrypt.h>

#include <cstring>
#include <memory>
#include <utility>

#include "signature/rsa_public_key.h"
#include "system/os_error.h"

namespace quillmar {

namespace {

// A BCrypt key, destroyed with the owner: on every early return while it is read,
// and with the finished key afterwards.
struct KeyDestroyer {
  void operator()(BCRYPT_KEY_HANDLE key) const { BCryptDestroyKey(key); }
};
using KeyOwner = std::unique_ptr<void, KeyDestroyer>;

class BcryptRsaPublicKey final : public RsaPublicKey {
 public:
  BcryptRsaPublicKey(KeyOwner key, std::vector<std::uint8_t> modulus)
      : key_(std::move(key)), modulus_(std::move(modulus)) {}

  const std::vector<std::uint8_t>& modulus() const override { return modulus_; }

  bool verify_pss_sha256(const Sha256Digest& message_hash, const std::vector<std::uint8_t>& signature,
                         std::size_t salt_length) const override {
    BCRYPT_PSS_PADDING_INFO padding{BCRYPT_SHA256_ALGORITHM, static_cast<ULONG>(salt_length)};
    // BCrypt only reads these buffers; its prototype lacks the const.
    const NTSTATUS status = BCryptVerifySignature(
        key_.get(), &padding, const_cast<UCHAR*>(message_hash.data()), static_cast<ULONG>(message_hash.size()),
        const_cast<UCHAR*>(signature.data()), static_cast<ULONG>(signature.size()), BCRYPT_PAD_PSS);
    return BCRYPT_SUCCESS(status);
  }

 private:
  KeyOwner key_;
  std::vector<std::uint8_t> modulus_;
};

// The length of the DER element at the start of DER (header and content), or 0
// when its header is malformed. Crypt32 stops reading after the first element, so
// the backend checks for trailing bytes itself, as OpenSSL does.
std::size_t der_element_length(const std::vector<std::uint8_t>& der) {
  if (der.size() < 2) return 0;
  const std::uint8_t first = der[1];
  if (first < 0x80) return 2 + first;
  const std::size_t count = first & 0x7F;
  if (count == 0 || count > 4 || der.size() < 2 + count) return 0;
  std::size_t length = 0;
  for (std::size_t i = 0; i < count; ++i) length = (length << 8) | der[2 + i];
  return 2 + count + length;
}

struct LocalFreeDeleter {
  void operator()(void* memory) const { LocalFree(memory); }
};

}  // namespace

Result<std::unique_ptr<const RsaPublicKey>> RsaPublicKey::from_subject_public_key_info(
    const std::vector<std::uint8_t>& der) {
  if (der_element_length(der) != der.size()) return Error{"trailing bytes after the SubjectPublicKeyInfo"};

  CERT_PUBLIC_KEY_INFO* raw_info = nullptr;
  DWORD info_size = 0;
  if (!CryptDecodeObjectEx(X509_ASN_ENCODING, X509_PUBLIC_KEY_INFO, der.data(), static_cast<DWORD>(der.size()),
                           CRYPT_DECODE_ALLOC_FLAG, nullptr, &raw_info, &info_size)) {
    return Error{"not a SubjectPublicKeyInfo: " + last_os_error_text()};
  }
  std::unique_ptr<CERT_PUBLIC_KEY_INFO, LocalFreeDeleter> info(raw_info);
  if (info->Algorithm.pszObjId == nullptr || std::strcmp(info->Algorithm.pszObjId, szOID_RSA_RSA) != 0) {
    return Error{"the key is not an RSA key"};
  }

  BCRYPT_KEY_HANDLE imported = nullptr;
  if (!CryptImportPublicKeyInfoEx2(X509_ASN_ENCODING, info.get(), 0, nullptr, &imported)) {
    return Error{"cannot import the RSA key: " + last_os_error_text()};
  }
  KeyOwner owner(imported);
  const BCRYPT_KEY_HANDLE key = owner.get();

  // The exported blob is a BCRYPT_RSAKEY_BLOB followed by the exponent and the
  // modulus, both big-endian.
  ULONG blob_size = 0;
  if (!BCRYPT_SUCCESS(BCryptExportKey(key, nullptr, BCRYPT_RSAPUBLIC_BLOB, nullptr, 0, &blob_size, 0))) {
    return Error{"cannot read the RSA modulus"};
  }
  std::vector<std::uint8_t> blob(blob_size);
  if (!BCRYPT_SUCCESS(BCryptExportKey(key, nullptr, BCRYPT_RSAPUBLIC_BLOB, blob.data(), blob_size, &blob_size, 0)) ||
      blob_size < sizeof(BCRYPT_RSAKEY_BLOB)) {
    return Error{"cannot read the RSA modulus"};
  }
  BCRYPT_RSAKEY_BLOB header;
  std::memcpy(&header, blob.data(), sizeof header);
  const std::size_t modulus_at = sizeof header + header.cbPublicExp;
  if (blob_size < modulus_at || blob_size - modulus_at < header.cbModulus) return Error{"cannot read the RSA modulus"};
  std::vector<std::uint8_t> modulus(blob.begin() + modulus_at, blob.begin() + modulus_at + header.cbModulus);
  while (!modulus.empty() && modulus.front() == 0) modulus.erase(modulus.begin());

  return std::unique_ptr<const RsaPublicKey>(new BcryptRsaPublicKey(std::move(owner), std::move(modulus)));
}

}  // namespace quillmar
