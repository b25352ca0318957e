#pragma once

#include <functional>
#include <nlohmann/json.hpp>

namespace quillmar {

// An installer event for the page: a JSON object with a "type" member ("preflight",
// "folder", "progress", "installed", "failed"). Workers hand events to the sender,
// which queues them for the event loop without waiting; the loop delivers them to
// the page in the order they were sent.
using InstallerEvent = nlohmann::json;
using EventSender = std::function<void(InstallerEvent)>;

}  // namespace quillmar
