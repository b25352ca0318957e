#include "call_log.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <optional>

#include "system/file.h"
#include "system/wide_text_win.h"
#include "ui_thread.h"

namespace standin {
namespace {

std::mutex record_mutex;

quillmar::File* record_file() {
  static std::optional<quillmar::File> file = []() -> std::optional<quillmar::File> {
    const wchar_t* path = _wgetenv(L"QUILLMAR_STANDIN_LOG");
    if (path == nullptr || *path == L'\0') return std::nullopt;
    auto opened = quillmar::File::open(quillmar::Path(path), quillmar::File::Mode::kAppend);
    if (!opened) return std::nullopt;
    return std::move(opened).value();
  }();
  return file ? &*file : nullptr;
}

}  // namespace

void record(std::string_view line) {
  std::string text;
  text.reserve(line.size() + 1);
  for (char c : line) {
    if (c == '\r' || c == '\n') {
      text.push_back('\\');
      text.push_back(c == '\r' ? 'r' : 'n');
    } else {
      text.push_back(c);
    }
  }
  text.push_back('\n');
  const std::lock_guard lock(record_mutex);
  if (auto* file = record_file()) (void)file->write(text);
}

void record_call(std::string_view call) {
  if (!on_ui_thread()) record("WRONG THREAD: " + std::string(call));
  record(call);
}

std::string narrow(const wchar_t* text) { return text == nullptr ? std::string() : quillmar::wide_to_utf8(text); }

std::wstring widen(std::string_view text) { return quillmar::utf8_to_wide(text); }

std::string quoted(const wchar_t* text) {
  if (text == nullptr) return "null";
  // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) on "\"" + string.
  std::string result(1, '"');
  result.append(narrow(text)).push_back('"');
  return result;
}

std::string hresult_text(HRESULT result) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lx", static_cast<unsigned long>(result));
  return text;
}

std::string guid_text(REFGUID guid) {
  char text[40];
  std::snprintf(text, sizeof text, "%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X",
                static_cast<unsigned long>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1],
                guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
  return text;
}

LPWSTR task_string(std::wstring_view text) {
  auto* copy = static_cast<LPWSTR>(CoTaskMemAlloc((text.size() + 1) * sizeof(wchar_t)));
  if (copy == nullptr) return nullptr;
  text.copy(copy, text.size());
  copy[text.size()] = L'\0';
  return copy;
}

}  // namespace standin
