#pragma once

namespace quillmar {

// Runs the installer from start-up to the end of its event loop and returns the
// process exit code. The platform entry restricts DLL loading before calling it.
int run_installer();

}  // namespace quillmar
