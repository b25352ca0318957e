#pragma once

// How a release entry reads when an expectation about a release list fails.

#include <ostream>

#include "server/release_client.h"

namespace quillmar {

inline void PrintTo(const ReleaseEntry& entry, std::ostream* out) {
  *out << "ReleaseEntry{" << entry.version << ", published " << entry.published_at.dump()
       << (entry.newest ? ", newest}" : "}");
}

}  // namespace quillmar
