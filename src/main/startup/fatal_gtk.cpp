#include <gtk/gtk.h>

#include <cstdio>
#include <cstdlib>

#include "main/startup/fatal.h"

namespace quillmar {

void show_failure(const std::string& text) {
  if (gtk_init_check(nullptr, nullptr)) {
    GtkWidget* dialog =
        gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_ERROR, GTK_BUTTONS_OK, "%s", text.c_str());
    gtk_window_set_title(GTK_WINDOW(dialog), "Quillmar");
    gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
  } else {
    // Nowhere else to report a failure to write to standard error.
    (void)std::fprintf(stderr, "Quillmar: %s\n", text.c_str());
  }
}

void fatal(const std::string& text) {
  show_failure(text);
  (void)std::fflush(nullptr);
  std::_Exit(1);
}

}  // namespace quillmar
