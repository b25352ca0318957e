#pragma once

// How the worker's typed values read when an expectation about them fails.

#include <ostream>

#include "install/install_progress.h"
#include "install/install_worker.h"

namespace quillmar {

inline void PrintTo(const DownloadStarted& started, std::ostream* out) {
  *out << "DownloadStarted{" << started.version << ", total " << started.total << "}";
}
inline void PrintTo(const DownloadProgress& progress, std::ostream* out) {
  *out << "DownloadProgress{" << progress.downloaded << " of " << progress.total << "}";
}
inline void PrintTo(const SetupProgress& progress, std::ostream* out) {
  *out << "SetupProgress{" << progress.pct << "%, " << progress.files << " files}";
}
inline void PrintTo(const StepReached& reached, std::ostream* out) {
  *out << (reached.step == StepReached::Step::kVerify ? "StepReached{verify}" : "StepReached{shortcuts}");
}
inline void PrintTo(const InstallFailure& failure, std::ostream* out) {
  *out << "InstallFailure{reason " << static_cast<int>(failure.reason);
  if (failure.detail) *out << ", detail \"" << *failure.detail << "\"";
  if (failure.code) *out << ", code " << *failure.code;
  if (failure.log) *out << ", log " << *failure.log;
  *out << "}";
}

}  // namespace quillmar
