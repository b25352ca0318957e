#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <memory>
#include <string>

#include "system/result.h"

namespace quillmar {

struct StoreCloser {
  void operator()(HCERTSTORE store) const { CertCloseStore(store, 0); }
};
struct EngineCloser {
  void operator()(HCERTCHAINENGINE engine) const { CertFreeCertificateChainEngine(engine); }
};

// The development CA compiled into a development build, with a chain engine whose
// only root it is. WinHTTP cannot be given a root of its own, so a connection that
// fails only on an unknown root is retried without that check and must pass this
// one instead, before anything of the request's body goes out.
class ExtraTrustAnchor {
 public:
  static Result<std::unique_ptr<ExtraTrustAnchor>> from_pem(const std::string& pem);

  // Whether a connection to HOST that presented LEAF may be used: fine as the system
  // judges it, or wrong in nothing but an unknown root and good under the anchor.
  Result<void> admit(PCCERT_CONTEXT leaf, const std::wstring& host) const;

 private:
  ExtraTrustAnchor(std::unique_ptr<void, StoreCloser> roots, HCERTCHAINENGINE engine)
      : roots_(std::move(roots)), engine_(engine) {}

  std::unique_ptr<void, StoreCloser> roots_;
  std::unique_ptr<void, EngineCloser> engine_;
};

}  // namespace quillmar
