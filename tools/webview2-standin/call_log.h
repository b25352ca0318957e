#pragma once

// The stand-in's record: one line per call the installer makes and per step the
// scripted page plays, in the order they happen, so a test can read back exactly
// what the installer asked of its web view runtime.

#include <windows.h>
#include <objbase.h>

#include <string>
#include <string_view>

namespace standin {

// Appends LINE to the file named by QUILLMAR_STANDIN_LOG (nothing when unset).
// Line breaks inside LINE are written as \r and \n so that one call stays one line.
void record(std::string_view line);

// A call from any thread but the one that created the environment is recorded as a
// fault: WebView2 serves only its UI thread.
void record_call(std::string_view call);

std::string narrow(const wchar_t* text);
std::wstring widen(std::string_view text);
// TEXT in double quotes, as it appears in the record.
std::string quoted(const wchar_t* text);
std::string hresult_text(HRESULT result);
std::string guid_text(REFGUID guid);

// A copy of TEXT the caller frees with CoTaskMemFree, as WebView2 hands out strings.
LPWSTR task_string(std::wstring_view text);

}  // namespace standin
