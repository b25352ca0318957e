#include "standard_streams.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>

namespace quillmar {

void use_binary_standard_streams() {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
}

}  // namespace quillmar
