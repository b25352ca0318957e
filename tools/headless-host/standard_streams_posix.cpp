#include "standard_streams.h"

namespace quillmar {

// POSIX streams have no text mode: nothing to change.
void use_binary_standard_streams() {}

}  // namespace quillmar
