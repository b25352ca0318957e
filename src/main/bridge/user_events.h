#pragma once

#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "main/bridge/page_events.h"

namespace quillmar {

// What the event loop receives besides window events.
struct UserEvent {
  enum class Kind { kPageMessage, kDeliverToPage, kClose, kPageReloaded };
  Kind kind = Kind::kClose;
  std::string text;      // kPageMessage: the posted text, unchanged
  InstallerEvent event;  // kDeliverToPage

  static UserEvent page_message(std::string text) { return {Kind::kPageMessage, std::move(text), {}}; }
  static UserEvent deliver(InstallerEvent event) { return {Kind::kDeliverToPage, {}, std::move(event)}; }
  static UserEvent close() { return {Kind::kClose, {}, {}}; }
  // The page started loading again; queued, so the bridge learns it before the new
  // page's first message.
  static UserEvent page_reloaded() { return {Kind::kPageReloaded, {}, {}}; }
};

// The event loop's proxy: any thread posts, the loop's thread takes the events out
// in exactly the order they were posted. The queue is ours rather than the toolkit's
// so the order does not rest on how a toolkit schedules its idle callbacks.
class UserEventQueue {
 public:
  // WAKE is called (on the posting thread, without the queue's lock) whenever the
  // queue goes from empty to non-empty; it must be safe to call from any thread.
  explicit UserEventQueue(std::function<void()> wake) : wake_(std::move(wake)) {}

  // Never blocks beyond the short queue lock.
  void post(UserEvent event) {
    bool was_empty;
    {
      std::lock_guard lock(mutex_);
      was_empty = events_.empty();
      events_.push_back(std::move(event));
    }
    if (was_empty && wake_) wake_();
  }

  std::optional<UserEvent> take() {
    std::lock_guard lock(mutex_);
    if (events_.empty()) return std::nullopt;
    UserEvent event = std::move(events_.front());
    events_.pop_front();
    return event;
  }

 private:
  std::function<void()> wake_;
  std::mutex mutex_;
  std::deque<UserEvent> events_;
};

}  // namespace quillmar
