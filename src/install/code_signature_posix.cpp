#include "install/code_signature.h"

namespace quillmar {

// Linux has no Authenticode policy. The host reports what Windows reports for an
// unsigned file, so the shared judging rule decides here too.
TrustAnswer query_code_signature(const Path&) { return {kTrustNoSignature, kTrustNoSignature}; }

}  // namespace quillmar
