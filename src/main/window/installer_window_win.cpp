#include <windows.h>
#include <objbase.h>
#include <shellscalingapi.h>

#include <utility>

#include "main/window/web_view_failure.h"
#include "main/window/folder_chooser_win.h"
#include "main/window/installer_window.h"
#include "main/window/web_view_win.h"
#include "main/window/window_icon.h"
#include "main/window/window_placement.h"

namespace quillmar {
namespace {

constexpr wchar_t kWindowClass[] = L"QuillmarInstallerWindow";
constexpr wchar_t kTitle[] = L"Quillmar";
// Posted by wake() from any thread; posted messages keep their order.
constexpr UINT kWakeMessage = WM_APP + 1;
// Posted when the web view's browser process ended, so that the new web view is
// made from the window's own loop rather than inside the runtime's handler.
constexpr UINT kRestartWebViewMessage = WM_APP + 2;
// A fixed-size frame: caption, system menu and minimize; no sizing border, no maximize.
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

// An icon made at run time, destroyed with its one owner; moving hands it over.
class IconHandle {
 public:
  explicit IconHandle(HICON icon = nullptr) : icon_(icon) {}
  IconHandle(const IconHandle&) = delete;
  IconHandle(IconHandle&& other) noexcept : icon_(std::exchange(other.icon_, nullptr)) {}
  // Taken by value, and copying is deleted, so a handle can only be moved in; the
  // icon held before leaves with OTHER.
  IconHandle& operator=(IconHandle other) noexcept {
    std::swap(icon_, other.icon_);
    return *this;
  }
  ~IconHandle() {
    if (icon_) DestroyIcon(icon_);
  }
  HICON get() const { return icon_; }

 private:
  HICON icon_;
};

// The 32-pixel image of the embedded icon (or the rule's fallback). The system
// decodes PNG and BMP payloads itself.
HICON create_window_icon() {
  const auto images = read_ico_directory(embedded_icon_ico());
  if (!images) return nullptr;
  const auto image = window_icon_image(images.value());
  if (!image || image->payload.empty()) return nullptr;
  return CreateIconFromResourceEx(const_cast<PBYTE>(image->payload.data()), static_cast<DWORD>(image->payload.size()),
                                  TRUE, 0x00030000, 0, 0, LR_DEFAULTCOLOR);
}

// The monitor that contains the desktop point (0, 0), its physical size and scale.
struct PrimaryMonitor {
  RECT area{0, 0, 1024, 768};
  UINT dpi = USER_DEFAULT_SCREEN_DPI;
};

PrimaryMonitor primary_monitor() {
  PrimaryMonitor primary;
  HMONITOR monitor = MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (monitor && GetMonitorInfoW(monitor, &info)) primary.area = info.rcMonitor;
  UINT dpi_x = 0;
  UINT dpi_y = 0;
  if (monitor && SUCCEEDED(GetDpiForMonitor(monitor, MDT_EFFECTIVE_DPI, &dpi_x, &dpi_y)) && dpi_x > 0) {
    primary.dpi = dpi_x;
  }
  return primary;
}

class Win32InstallerWindow final : public InstallerWindow {
 public:
  Win32InstallerWindow() = default;
  Win32InstallerWindow(const Win32InstallerWindow&) = delete;
  Win32InstallerWindow& operator=(const Win32InstallerWindow&) = delete;

  Result<void> open() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = &Win32InstallerWindow::window_procedure;
    window_class.hInstance = instance;
    window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    window_class.lpszClassName = kWindowClass;
    if (!RegisterClassExW(&window_class)) return failed("Registering the window class");

    const PrimaryMonitor monitor = primary_monitor();
    const double scale = monitor.dpi / static_cast<double>(USER_DEFAULT_SCREEN_DPI);
    const WindowLayout layout = window_layout_on_monitor(monitor.area.right - monitor.area.left,
                                                         monitor.area.bottom - monitor.area.top, scale);
    RECT frame{0, 0, layout.client_width, layout.client_height};
    if (!AdjustWindowRectExForDpi(&frame, kWindowStyle, FALSE, 0, monitor.dpi)) {
      AdjustWindowRectEx(&frame, kWindowStyle, FALSE, 0);
    }
    window_ = CreateWindowExW(0, kWindowClass, kTitle, kWindowStyle, monitor.area.left + layout.physical.x,
                              monitor.area.top + layout.physical.y, frame.right - frame.left,
                              frame.bottom - frame.top, nullptr, nullptr, instance, this);
    if (!window_) return failed("Creating the window");

    icon_ = IconHandle(create_window_icon());
    if (icon_.get()) {
      SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_.get()));
      SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_.get()));
    }
    ShowWindow(window_, SW_SHOWNORMAL);
    UpdateWindow(window_);
    return {};
  }

  Result<void> create_web_view(const WebViewConfig& config) override {
    web_view_ = QUILLMAR_TRY(WebView2Host::create(
        window_, config, [this](const std::function<bool()>& done) { return pump_until(done); },
        [window = window_] { PostMessageW(window, kRestartWebViewMessage, 0, 0); }));
    return {};
  }

  void run_script(const std::string& script) override {
    if (web_view_) web_view_->run_script(script);
  }

  std::optional<Path> choose_folder(const std::optional<Path>& start) override {
    auto chosen = choose_folder_with_dialog(window_, start);
    // The dialog had the keyboard; it goes back to the page, not to the frame.
    if (web_view_ && GetActiveWindow() == window_) web_view_->move_focus();
    return chosen;
  }

  bool close_requested() const override { return close_requested_; }

  void wake() override { PostMessageW(window_, kWakeMessage, 0, 0); }

  void run(std::function<void()> on_wake, std::function<void()> on_close_request,
           std::function<void(const std::string&)> on_web_view_lost) override {
    on_wake_ = std::move(on_wake);
    on_close_request_ = std::move(on_close_request);
    on_web_view_lost_ = std::move(on_web_view_lost);
    // Events posted before the loop ran found no handler yet.
    if (on_wake_) on_wake_();
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }

  // The window goes at once: a cancelled run may still take a few seconds to clean
  // up on the way out, and a window left on screen meanwhile looks frozen.
  // Nothing more reaches the page once the loop is told to end, though messages
  // already queued are still dispatched before the loop sees the quit.
  void quit() override {
    quitting_ = true;
    ShowWindow(window_, SW_HIDE);
    PostQuitMessage(0);
  }

 private:
  static Error failed(const char* step) {
    const DWORD error = GetLastError();
    return Error{web_view_failure_text(step, static_cast<std::uint32_t>(HRESULT_FROM_WIN32(error)))};
  }

  // The web view's start-up answers arrive as messages; the window stays responsive
  // meanwhile. False when the wait was given up first: the user closed the window
  // before run() (close_requested() then says so), or the loop was told to end.
  bool pump_until(const std::function<bool()>& done) {
    MSG message;
    while (!done()) {
      const BOOL got = GetMessageW(&message, nullptr, 0, 0);
      if (got == -1) return false;
      if (got == 0) {
        // This nested loop took the quit meant for run()'s loop: post it again, so
        // that loop ends too once the failed wait has been unwound.
        PostQuitMessage(static_cast<int>(message.wParam));
        return false;
      }
      TranslateMessage(&message);
      DispatchMessageW(&message);
      if (close_requested_) return false;
    }
    return true;
  }

  static LRESULT CALLBACK window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
      const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lparam);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
    }
    auto* self = reinterpret_cast<Win32InstallerWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self) return DefWindowProcW(window, message, wparam, lparam);
    // Nothing may unwind through the system's frames above this one.
    try {
      return self->handle(window, message, wparam, lparam);
    } catch (...) {
      return 0;
    }
  }

  LRESULT handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
      case kWakeMessage:
        if (on_wake_ && !quitting_) on_wake_();
        return 0;
      case WM_CLOSE:
        // The loop ends instead; the window goes with the process.
        if (on_close_request_) {
          on_close_request_();
        } else {
          close_requested_ = true;
        }
        return 0;
      case WM_SIZE:
        if (!web_view_) return 0;
        // A minimized window's web view stops drawing and pauses its timers; it
        // comes back with the window.
        if (wparam == SIZE_MINIMIZED) {
          minimized_ = true;
          web_view_->set_visible(false);
          return 0;
        }
        if (minimized_) {
          minimized_ = false;
          web_view_->set_visible(true);
        }
        web_view_->fit_to_client_area(window);
        return 0;
      case WM_MOVE:
      case WM_MOVING:
        if (web_view_) web_view_->window_moved();
        return message == WM_MOVING ? TRUE : 0;
      case WM_SETFOCUS:
        // The frame has nothing to type into: the keys belong to the page.
        if (web_view_) web_view_->move_focus();
        return 0;
      case WM_ACTIVATE:
        // Activated again (Alt+Tab, a click on the frame or the taskbar): the page
        // gets the keys back instead of the frame.
        if (web_view_ && LOWORD(wparam) != WA_INACTIVE && HIWORD(wparam) == 0) {
          web_view_->move_focus();
          return 0;
        }
        return DefWindowProcW(window, message, wparam, lparam);
      case kRestartWebViewMessage:
        restart_web_view();
        return 0;
      case WM_DPICHANGED: {
        // Moved to a monitor of another scale: take the size the system suggests, so
        // the client area stays 520 x 400 logical pixels.
        const auto* suggested = reinterpret_cast<const RECT*>(lparam);
        SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
      }
      default:
        return DefWindowProcW(window, message, wparam, lparam);
    }
  }

  // The browser process ended: a new web view, or, when none can be made, the
  // window goes and the installer is told. One attempt at a time; a second notice
  // from the old web view while the first attempt runs changes nothing.
  void restart_web_view() {
    if (!web_view_ || restarting_ || web_view_lost_) return;
    restarting_ = true;
    auto restarted = web_view_->restart(window_);
    restarting_ = false;
    // Given up because the user closed the window meanwhile: the loop ends, and the
    // installer with it, as any close ends it.
    if (restarted || quitting_) return;
    // The half-made web view is kept: the runtime may still call the handlers it holds.
    web_view_lost_ = true;
    ShowWindow(window_, SW_HIDE);
    if (on_web_view_lost_) on_web_view_lost_(restarted.error().message);
  }

  HWND window_ = nullptr;
  IconHandle icon_;
  std::unique_ptr<WebView2Host> web_view_;
  std::function<void()> on_wake_;
  std::function<void()> on_close_request_;
  std::function<void(const std::string&)> on_web_view_lost_;
  bool close_requested_ = false;
  bool minimized_ = false;
  bool quitting_ = false;
  bool restarting_ = false;
  bool web_view_lost_ = false;
};

}  // namespace

Result<std::unique_ptr<InstallerWindow>> create_window() {
  // The window, the web view and the folder picker all live in this thread's
  // single-threaded apartment, for the whole run.
  if (HRESULT code = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE); FAILED(code)) {
    return Error{web_view_failure_text("Initialising COM", static_cast<std::uint32_t>(code))};
  }
  auto window = std::make_unique<Win32InstallerWindow>();
  QUILLMAR_TRY(window->open());
  return std::unique_ptr<InstallerWindow>(std::move(window));
}

}  // namespace quillmar
