#include "ui_thread.h"

#include <windows.h>

#include <deque>
#include <mutex>
#include <utility>

namespace standin {
namespace {

constexpr UINT kRunPosted = WM_APP + 1;
constexpr UINT_PTR kTimerId = 1;

HWND message_window = nullptr;
DWORD ui_thread_id = 0;
std::mutex posted_mutex;
std::deque<std::function<void()>> posted;
std::function<void()> timer_work;

LRESULT CALLBACK message_window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == kRunPosted) {
    std::function<void()> work;
    {
      const std::lock_guard lock(posted_mutex);
      if (posted.empty()) return 0;
      work = std::move(posted.front());
      posted.pop_front();
    }
    work();
    return 0;
  }
  if (message == WM_TIMER && wparam == kTimerId) {
    KillTimer(window, kTimerId);
    auto work = std::exchange(timer_work, nullptr);
    if (work) work();
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

bool adopt_ui_thread() {
  if (message_window != nullptr) return true;
  WNDCLASSW window_class{};
  window_class.lpfnWndProc = message_window_procedure;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.lpszClassName = L"QuillmarWebViewStandIn";
  RegisterClassW(&window_class);
  message_window = CreateWindowExW(0, window_class.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   window_class.hInstance, nullptr);
  ui_thread_id = GetCurrentThreadId();
  return message_window != nullptr;
}

bool on_ui_thread() { return GetCurrentThreadId() == ui_thread_id; }

void post_to_ui(std::function<void()> work) {
  {
    const std::lock_guard lock(posted_mutex);
    posted.push_back(std::move(work));
  }
  PostMessageW(message_window, kRunPosted, 0, 0);
}

void start_timer(unsigned milliseconds, std::function<void()> work) {
  timer_work = std::move(work);
  SetTimer(message_window, kTimerId, milliseconds, nullptr);
}

void cancel_timer() {
  KillTimer(message_window, kTimerId);
  timer_work = nullptr;
}

}  // namespace standin
