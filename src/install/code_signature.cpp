#include "install/code_signature.h"

namespace quillmar {

Result<void, std::uint32_t> judge_code_signature(const TrustAnswer& answer) {
  if (answer.status == 0) return {};
  if (answer.status == kTrustNoSignature &&
      (answer.last_error == kTrustNoSignature || answer.last_error == kTrustSubjectFormUnknown ||
       answer.last_error == kTrustProviderUnknown)) {
    return {};
  }
  return answer.status;
}

}  // namespace quillmar
