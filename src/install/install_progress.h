#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <variant>

namespace quillmar {

// How far a run has come, as its steps report it. The page's wording for each is
// made in one place above the install floor; here each value carries only what the
// step knows, in the number types the page is given.

// The package answer is accepted and nothing of the body has come yet.
struct DownloadStarted {
  std::string version;
  std::uint64_t total = 0;

  bool operator==(const DownloadStarted&) const = default;
};

// Bytes of the body written so far, of TOTAL.
struct DownloadProgress {
  std::uint64_t downloaded = 0;
  std::uint64_t total = 0;

  bool operator==(const DownloadProgress&) const = default;
};

// The setup package runs: the bar's position and the files its log has named.
struct SetupProgress {
  double pct = 0.0;
  std::uint64_t files = 0;

  bool operator==(const SetupProgress&) const = default;
};

// A step shown as a full bar at once: the package's signature check as it starts,
// and the shortcuts, which the setup package has made by the time the run is done.
struct StepReached {
  enum class Step { kVerify, kShortcuts };
  Step step = Step::kVerify;

  bool operator==(const StepReached&) const = default;
};

using InstallProgress = std::variant<DownloadStarted, DownloadProgress, SetupProgress, StepReached>;

// Where a run hands its progress; it never waits for the page.
using ProgressSender = std::function<void(const InstallProgress&)>;

}  // namespace quillmar
