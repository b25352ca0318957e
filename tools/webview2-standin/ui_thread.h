#pragma once

// The thread the installer created the environment on. Like the real runtime, the
// stand-in answers every asynchronous call later, from that thread's message loop:
// a completion handler never runs inside the call that asked for it.

#include <functional>

namespace standin {

// Makes the calling thread the UI thread (a hidden message window receives the
// posted work). False when the window cannot be made.
bool adopt_ui_thread();
bool on_ui_thread();

// Runs WORK on the UI thread once the thread next pumps messages, in posting order.
void post_to_ui(std::function<void()> work);

// Runs WORK on the UI thread after MILLISECONDS unless cancelled first; one timer
// at a time.
void start_timer(unsigned milliseconds, std::function<void()> work);
void cancel_timer();

}  // namespace standin
