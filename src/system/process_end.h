#pragma once

namespace quillmar {

// Ends the process at once with CODE, abandoning every other thread where it
// stands. No destructors, atexit handlers or library clean-up run: a worker may be
// in the middle of a transfer or a setup run, holding locks that clean-up would
// wait on. Standard output is flushed first and nothing else is: flushing every
// stream would also lock standard input, which a reader thread may hold while it
// waits for a line, and the process would hang until its input closed.
[[noreturn]] void end_process_now(int code);

}  // namespace quillmar
