#pragma once

#include <gtk/gtk.h>

#include <string>

#include "main/window/installer_window.h"

// The WebKitGTK half of the Linux window, kept apart so WebKit's large headers are
// compiled in one file only.
namespace quillmar {

// Makes the web view widget for CONFIG, which must outlive it, and starts loading
// the start page.
Result<GtkWidget*> create_gtk_web_view(const WebViewConfig& config);

// Runs SCRIPT in the main frame of WEB_VIEW, ignoring its result.
void run_script_in(GtkWidget* web_view, const std::string& script);

}  // namespace quillmar
