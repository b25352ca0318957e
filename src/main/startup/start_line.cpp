#include "main/startup/start_line.h"

#include "system/product.h"

namespace quillmar {

std::string start_line(std::string_view base_url) {
  std::string line = "Quillmar installer ";
  line += kInstallerVersion;
  line += " (";
  line += kPlatformWord;
  line += ") \xE2\x86\x92 ";
  line += base_url;
  return line;
}

}  // namespace quillmar
