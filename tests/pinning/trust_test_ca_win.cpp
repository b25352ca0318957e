// Makes a Wine prefix trust the development CA: adds the PEM certificate in
// QUILLMAR_TEST_CA_PEM to the LocalMachine Root store. Run once per test prefix,
// before the Windows transport tests; never part of the installer.

#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main() {
  const char* pem = std::getenv("QUILLMAR_TEST_CA_PEM");
  if (pem == nullptr) {
    std::fprintf(stderr, "QUILLMAR_TEST_CA_PEM is not set\n");
    return 2;
  }
  DWORD size = 0;
  if (!CryptStringToBinaryA(pem, 0, CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr)) {
    std::fprintf(stderr, "not a PEM certificate\n");
    return 1;
  }
  std::vector<BYTE> der(size);
  CryptStringToBinaryA(pem, 0, CRYPT_STRING_BASE64HEADER, der.data(), &size, nullptr, nullptr);
  HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root");
  if (store == nullptr) {
    std::fprintf(stderr, "cannot open the Root store (%lu)\n", GetLastError());
    return 1;
  }
  const BOOL added =
      CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der.data(), size, CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
  CertCloseStore(store, 0);
  if (!added) {
    std::fprintf(stderr, "cannot add the CA (%lu)\n", GetLastError());
    return 1;
  }
  return 0;
}
