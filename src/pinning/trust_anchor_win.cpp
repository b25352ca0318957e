#include "pinning/trust_anchor_win.h"

#include <cstddef>
#include <vector>

#include "system/os_error.h"

namespace quillmar {
namespace {

struct ChainFreer {
  void operator()(PCCERT_CHAIN_CONTEXT chain) const { CertFreeCertificateChain(chain); }
};
using ChainOwner = std::unique_ptr<const CERT_CHAIN_CONTEXT, ChainFreer>;

// Chain statuses that only say the root is not among the system's trusted ones: an
// untrusted self-signed root at the top, or no issuer found at all when the server
// sends its leaf alone.
constexpr DWORD kUnknownRootStatus = CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_IS_PARTIAL_CHAIN;

constexpr char kChainRefused[] = "the server certificate does not chain to a trusted root";

// The chain of LEAF built by ENGINE (nullptr: the system's) for server
// authentication, from the certificates the server sent.
Result<ChainOwner> build_chain(HCERTCHAINENGINE engine, PCCERT_CONTEXT leaf) {
  LPSTR server_auth = const_cast<LPSTR>(szOID_PKIX_KP_SERVER_AUTH);
  CERT_CHAIN_PARA parameters{};
  parameters.cbSize = sizeof parameters;
  parameters.RequestedUsage.dwType = USAGE_MATCH_TYPE_AND;
  parameters.RequestedUsage.Usage.cUsageIdentifier = 1;
  parameters.RequestedUsage.Usage.rgpszUsageIdentifier = &server_auth;
  PCCERT_CHAIN_CONTEXT chain = nullptr;
  if (!CertGetCertificateChain(engine, leaf, nullptr, leaf->hCertStore, &parameters, 0, nullptr, &chain)) {
    return Error{os_error_text(GetLastError())};
  }
  return ChainOwner(chain);
}

// The SSL policy's verdict on CHAIN for HOST: 0 when it passes.
DWORD ssl_policy_error(PCCERT_CHAIN_CONTEXT chain, const std::wstring& host) {
  SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
  ssl.cbSize = sizeof ssl;
  ssl.dwAuthType = AUTHTYPE_SERVER;
  ssl.pwszServerName = const_cast<wchar_t*>(host.c_str());
  CERT_CHAIN_POLICY_PARA policy{};
  policy.cbSize = sizeof policy;
  policy.pvExtraPolicyPara = &ssl;
  CERT_CHAIN_POLICY_STATUS status{};
  status.cbSize = sizeof status;
  if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &status)) return GetLastError();
  return status.dwError;
}

}  // namespace

Result<std::unique_ptr<ExtraTrustAnchor>> ExtraTrustAnchor::from_pem(const std::string& pem) {
  DWORD size = 0;
  if (!CryptStringToBinaryA(pem.c_str(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER, nullptr, &size,
                            nullptr, nullptr)) {
    return Error{"the extra trust anchor is not a PEM certificate"};
  }
  std::vector<BYTE> der(size);
  if (!CryptStringToBinaryA(pem.c_str(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER, der.data(),
                            &size, nullptr, nullptr)) {
    return Error{"the extra trust anchor is not a PEM certificate"};
  }
  std::unique_ptr<void, StoreCloser> roots(CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr));
  if (!roots) return Error{os_error_text(GetLastError())};
  if (!CertAddEncodedCertificateToStore(roots.get(), X509_ASN_ENCODING, der.data(), size, CERT_STORE_ADD_ALWAYS,
                                        nullptr)) {
    return Error{"the extra trust anchor is not a certificate: " + os_error_text(GetLastError())};
  }
  CERT_CHAIN_ENGINE_CONFIG config{};
  // The size up to the exclusive root stores: Wine refuses the later, longer form,
  // and every Windows version with exclusive roots accepts this one.
  config.cbSize = offsetof(CERT_CHAIN_ENGINE_CONFIG, dwExclusiveFlags);
  config.hExclusiveRoot = roots.get();
  HCERTCHAINENGINE engine = nullptr;
  if (!CertCreateCertificateChainEngine(&config, &engine)) return Error{os_error_text(GetLastError())};
  return std::unique_ptr<ExtraTrustAnchor>(new ExtraTrustAnchor(std::move(roots), engine));
}

Result<void> ExtraTrustAnchor::admit(PCCERT_CONTEXT leaf, const std::wstring& host) const {
  auto system_chain = build_chain(nullptr, leaf);
  if (!system_chain) return Error{system_chain.error().message};
  const DWORD system_status = system_chain.value()->TrustStatus.dwErrorStatus;
  if (system_status == CERT_TRUST_NO_ERROR && ssl_policy_error(system_chain.value().get(), host) == 0) return {};
  if (system_status == CERT_TRUST_NO_ERROR || (system_status & ~kUnknownRootStatus) != 0) return Error{kChainRefused};
  auto anchored = build_chain(engine_.get(), leaf);
  if (!anchored) return Error{anchored.error().message};
  // Both verdicts are needed: Wine's SSL policy passes a partial chain.
  if (anchored.value()->TrustStatus.dwErrorStatus != CERT_TRUST_NO_ERROR ||
      ssl_policy_error(anchored.value().get(), host) != 0) {
    return Error{kChainRefused};
  }
  return {};
}

}  // namespace quillmar
