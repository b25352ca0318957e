#include <windows.h>

#include <cstdio>

#include "system/process_end.h"

namespace quillmar {

void end_process_now(int code) {
  // The process ends next whatever the flush says; there is no one left to tell.
  (void)std::fflush(stdout);
  // Not ExitProcess (which the C runtime's _Exit calls): it would run every DLL's
  // detach code after the other threads were stopped mid-call, and the HTTP stack's
  // detach can wait on a lock such a thread held. Under Wine it also outlasted the
  // grace period on a busy machine, and the process was killed instead of exiting
  // with CODE.
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(code));
  ExitProcess(static_cast<UINT>(code));  // only if terminating itself was refused
}

}  // namespace quillmar
