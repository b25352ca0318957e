#include <cstdio>
#include <cstdlib>

#include "system/process_end.h"

namespace quillmar {

void end_process_now(int code) {
  std::fflush(stdout);
  std::_Exit(code);
}

}  // namespace quillmar
