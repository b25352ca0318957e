#pragma once

namespace quillmar {

// From now on every delay-imported system DLL (see cmake/delay_import.cmake) is
// loaded from the system folder only, whatever the process's search path is. Called
// at the very start, before anything could call into one of them.
void load_delay_imports_from_system_folder();

}  // namespace quillmar
