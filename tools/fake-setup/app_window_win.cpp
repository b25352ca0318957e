#include <windows.h>

#include "app_window.h"

void show_started_window() { MessageBoxW(nullptr, L"Quillmar is running.", L"Quillmar", MB_OK | MB_ICONINFORMATION); }
