#include "install/code_signature.h"

namespace quillmar {

std::optional<std::uint32_t> judge_code_signature(const TrustAnswer& answer) {
  if (answer.status == 0) return std::nullopt;
  if (answer.status == kTrustNoSignature &&
      (answer.last_error == kTrustNoSignature || answer.last_error == kTrustSubjectFormUnknown ||
       answer.last_error == kTrustProviderUnknown)) {
    return std::nullopt;
  }
  return answer.status;
}

}  // namespace quillmar
