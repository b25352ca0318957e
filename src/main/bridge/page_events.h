#pragma once

#include <cstdint>
#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "install/install_progress.h"
#include "install/install_worker.h"
#include "server/release_client.h"
#include "system/environment.h"
#include "system/path.h"

namespace quillmar {

// An installer event for the page: a JSON object with a "type" member ("preflight",
// "folder", "progress", "installed", "failed"). This file is the one place that
// words them, and the environment the page starts from beside them; the workers below speak in typed values. Events are handed to the
// sender, which queues them for the event loop without waiting; the loop delivers
// them to the page in the order they were sent.
using InstallerEvent = nlohmann::json;
using EventSender = std::function<void(InstallerEvent)>;

// The "preflight" answer: the releases offered, or the reason word and, for a
// server's refusal, its status (null otherwise).
InstallerEvent preflight_event(const ReleaseResult<ReleaseList>& catalogue);

// The "folder" answer: the folder as the system spells it and its free bytes, null
// when unknown.
InstallerEvent folder_event(const Path& dir, const std::optional<std::uint64_t>& free_bytes);

// A "progress" event, with its phase, its bar position and what else the phase shows.
InstallerEvent progress_event(const InstallProgress& progress);

// The two endings of a run: "installed", or "failed" with its reason word and, each
// only where the step gave one, the detail, the exit code and the setup log's path.
InstallerEvent installed_event(const InstallSuccess& success);
InstallerEvent failed_event(const InstallFailure& failure);

// The InstallerEnvironment as the page receives it before its scripts run: compact
// JSON, keys in bytewise order, paths as lossy UTF-8.
std::string environment_json(const InstallerEnvironment& environment);

// The script that hands one event to the page: the event as compact JSON, which is
// also a valid script expression, so quotes and backslashes in its texts arrive intact.
std::string event_delivery_script(const InstallerEvent& event);

}  // namespace quillmar
