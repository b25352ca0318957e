#include <gtk/gtk.h>

#include "main/window/gobject_gtk.h"
#include "main/window/installer_window.h"
#include "main/window/web_view_gtk.h"
#include "main/window/window_icon.h"
#include "main/window/window_placement.h"
#include "system/product.h"

namespace quillmar {
namespace {

// The monitor that contains the desktop point (0, 0). An X server without RandR
// data (Xvfb) names no primary monitor; the monitor at the origin is the same one.
GdkMonitor* primary_monitor(GdkDisplay* display) {
  if (GdkMonitor* monitor = gdk_display_get_primary_monitor(display)) return monitor;
  return gdk_display_get_monitor_at_point(display, 0, 0);
}

void place_on_primary_monitor(GtkWindow* window) {
  GdkMonitor* monitor = primary_monitor(gdk_display_get_default());
  if (!monitor) return;
  // GDK already reports monitor geometry in logical pixels (physical / scale).
  GdkRectangle area;
  gdk_monitor_get_geometry(monitor, &area);
  const WindowPosition position = centred_window_position(area.width, area.height);
  gtk_window_move(window, area.x + position.x, area.y + position.y);
}

void set_embedded_icon(GtkWindow* window) {
  const auto images = read_ico_directory(embedded_icon_ico());
  if (!images) return;
  const auto image = window_icon_image(images.value());
  if (!image) return;
  GObjectPtr<GdkPixbufLoader> loader(gdk_pixbuf_loader_new());
  const bool written = gdk_pixbuf_loader_write(loader.get(), image->payload.data(), image->payload.size(), nullptr);
  const bool closed = gdk_pixbuf_loader_close(loader.get(), nullptr);
  if (!written || !closed) return;
  if (GdkPixbuf* pixbuf = gdk_pixbuf_loader_get_pixbuf(loader.get())) gtk_window_set_icon(window, pixbuf);
}

class GtkInstallerWindow final : public InstallerWindow {
 public:
  explicit GtkInstallerWindow(GtkWidget* window) : window_(window) {
    g_signal_connect(window_, "delete-event", G_CALLBACK(on_delete), this);
  }

  Result<void> create_web_view(const WebViewConfig& config) override {
    config_ = config;  // the web view's callbacks read it for the whole run
    web_view_ = QUILLMAR_TRY(create_gtk_web_view(config_));
    gtk_widget_set_size_request(web_view_, kWindowWidth, kWindowHeight);
    gtk_container_add(GTK_CONTAINER(window_), web_view_);
    gtk_widget_show(web_view_);
    return {};
  }

  void run_script(const std::string& script) override {
    if (web_view_) run_script_in(web_view_, script);
  }

  std::optional<Path> choose_folder(const std::optional<Path>& start) override {
    // Owned by the installer window, as the Windows chooser is: it stays above the
    // window and the window takes no input meanwhile, so the page cannot start a
    // second choice or an install under it. gtk_native_dialog_run spins a nested
    // main loop, so the window keeps drawing while the user picks.
    GObjectPtr<GtkFileChooserNative> chooser(gtk_file_chooser_native_new(
        kProductWord, GTK_WINDOW(window_), GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER, nullptr, nullptr));
    gtk_native_dialog_set_modal(GTK_NATIVE_DIALOG(chooser.get()), TRUE);
    if (start) gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(chooser.get()), start->c_str());
    const gint response = gtk_native_dialog_run(GTK_NATIVE_DIALOG(chooser.get()));
    if (response != GTK_RESPONSE_ACCEPT) return std::nullopt;
    char* chosen = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(chooser.get()));
    if (!chosen) return std::nullopt;  // a location with no local path
    Path folder(chosen);
    g_free(chosen);
    return folder;
  }

  void wake() override {
    // Callable from any thread; the callback runs on the loop's. At the default
    // priority, not the idle one: redraws (GDK_PRIORITY_REDRAW) and the web view's
    // own sources outrank idle sources, and a loop kept busy by an animated page on
    // a loaded machine can put an idle drain off for as long as it stays busy, so
    // the page's events would wait behind frames while the worker runs on.
    g_idle_add_full(
        G_PRIORITY_DEFAULT,
        [](gpointer self) -> gboolean {
          auto* window = static_cast<GtkInstallerWindow*>(self);
          if (window->on_wake_) window->on_wake_();
          return G_SOURCE_REMOVE;
        },
        this, nullptr);
  }

  // The web process's end is not watched here, so the web view is never lost.
  void run(std::function<void()> on_wake, std::function<void()> on_close_request,
           std::function<void(const std::string&)>) override {
    on_wake_ = std::move(on_wake);
    on_close_request_ = std::move(on_close_request);
    // Events posted before the loop ran found no handler yet.
    wake();
    gtk_main();
  }

  void quit() override { gtk_main_quit(); }

 private:
  static gboolean on_delete(GtkWidget*, GdkEvent*, gpointer self) {
    auto* window = static_cast<GtkInstallerWindow*>(self);
    if (window->on_close_request_) window->on_close_request_();
    return TRUE;  // the loop ends instead; the window goes with the process
  }

  GtkWidget* window_;
  GtkWidget* web_view_ = nullptr;
  WebViewConfig config_;
  std::function<void()> on_wake_;
  std::function<void()> on_close_request_;
};

}  // namespace

Result<std::unique_ptr<InstallerWindow>> create_window() {
  if (!gtk_init_check(nullptr, nullptr)) return Error{"no display could be opened"};
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  if (!window) return Error{"GTK could not create a window"};
  gtk_window_set_title(GTK_WINDOW(window), kProductWord);
  // A fixed size: the window manager then offers no maximize either.
  gtk_window_set_resizable(GTK_WINDOW(window), FALSE);
  gtk_window_set_default_size(GTK_WINDOW(window), kWindowWidth, kWindowHeight);
  set_embedded_icon(GTK_WINDOW(window));
  place_on_primary_monitor(GTK_WINDOW(window));
  gtk_widget_show(window);
  return std::unique_ptr<InstallerWindow>(new GtkInstallerWindow(window));
}

}  // namespace quillmar
