#include "system/random.h"

#include <vector>

#include "system/text.h"

namespace quillmar {

Result<std::string> random_hex(std::size_t count) {
  std::vector<std::uint8_t> bytes(count);
  QUILLMAR_TRY(random_bytes(bytes.data(), bytes.size()));
  return to_hex(bytes.data(), bytes.size());
}

}  // namespace quillmar
