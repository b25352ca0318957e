#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The stand-in setup package is a stub executable with a payload appended, as real
// self-extracting setup packages are:
//
//   [stub executable][file 1][file 2]...[manifest JSON][trailer]
//
// The trailer is 24 bytes: the payload's offset from the start of the package
// (8 bytes, little-endian), the manifest's size (8 bytes, little-endian) and the
// magic "QMSETUP1". File offsets in the manifest count from the payload's start.
namespace quillmar::fake_setup {

inline constexpr char kTrailerMagic[] = "QMSETUP1";
inline constexpr std::size_t kTrailerSize = 24;

struct PayloadFile {
  std::string name;  // relative path inside the installation folder, "/"-separated
  std::uint64_t offset = 0;
  std::uint64_t size = 0;
  bool executable = false;
};

// What the package installs and how it misbehaves when a test asks it to.
struct Manifest {
  std::string version;
  std::vector<PayloadFile> files;
  std::optional<std::string> version_text;  // replaces the version.txt content
  int exit_code = 0;                        // returned after installing
  int file_delay_ms = 0;                    // pause after each installed file
  bool write_log = true;                    // false: never create the /LOG= file
  std::optional<int> verify_exit_code;      // the installed application's --verify-root result
};

std::string manifest_to_json(const Manifest& manifest);
std::optional<Manifest> manifest_from_json(const std::string& text);

std::string encode_trailer(std::uint64_t payload_offset, std::uint64_t manifest_size);
// Reads the trailer's two numbers; nothing when the magic is missing.
std::optional<std::pair<std::uint64_t, std::uint64_t>> decode_trailer(const std::string& trailer);

// Names of the files the package writes besides its payload.
inline constexpr char kVersionRecordName[] = "version.txt";
inline constexpr char kDigestRecordName[] = "quillmar-files.sha256";
inline constexpr char kFaultRecordName[] = "quillmar-fault.json";

}  // namespace quillmar::fake_setup
