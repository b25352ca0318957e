// Writes the PE checksum into a Windows executable, as GNU ld and the signing tools
// compute it. lld 14 leaves the field 0, and a tool that takes a signature off
// writes the real checksum back, so without this the unsigned bytes of a shipped
// executable would no longer match a fresh build. Built for the build machine.
// Usage: quillmar-pe-checksum FILE
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

std::uint32_t read_u32(const std::vector<unsigned char>& bytes, std::size_t at) {
  return bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) | (static_cast<std::uint32_t>(bytes[at + 3]) << 24);
}

// The 16-bit one's-complement style sum of the file without the checksum field,
// plus the file's length.
std::uint32_t pe_checksum(const std::vector<unsigned char>& bytes, std::size_t field) {
  std::uint64_t sum = 0;
  for (std::size_t at = 0; at < bytes.size(); at += 2) {
    if (at >= field && at < field + 4) continue;
    sum += bytes[at] | (at + 1 < bytes.size() ? bytes[at + 1] << 8 : 0);
    sum = (sum & 0xffff) + (sum >> 16);
  }
  sum = (sum & 0xffff) + (sum >> 16);
  return static_cast<std::uint32_t>(sum + bytes.size());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: quillmar-pe-checksum FILE\n");
    return 2;
  }
  std::vector<unsigned char> bytes;
  {
    std::ifstream in(argv[1], std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), {});
  }
  // The PE header's offset is at 0x3c; the checksum sits 24 + 64 bytes after it
  // (signature, file header, then the optional header's 65th byte).
  if (bytes.size() < 0x40 || bytes[0] != 'M' || bytes[1] != 'Z') {
    std::fprintf(stderr, "quillmar-pe-checksum: %s is not an executable\n", argv[1]);
    return 1;
  }
  const std::size_t field = read_u32(bytes, 0x3c) + 24 + 64;
  if (field + 4 > bytes.size()) {
    std::fprintf(stderr, "quillmar-pe-checksum: %s has no PE header\n", argv[1]);
    return 1;
  }
  const std::uint32_t checksum = pe_checksum(bytes, field);
  for (int i = 0; i < 4; ++i) bytes[field + i] = static_cast<unsigned char>(checksum >> (8 * i));
  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out.flush()) {
    std::fprintf(stderr, "quillmar-pe-checksum: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
