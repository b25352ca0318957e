#include <gtk/gtk.h>

#include "app_window.h"

void show_started_window() {
  if (!gtk_init_check(nullptr, nullptr)) return;
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(window), "Quillmar");
  gtk_window_set_default_size(GTK_WINDOW(window), 320, 120);
  gtk_container_add(GTK_CONTAINER(window), gtk_label_new("Quillmar is running."));
  g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
  gtk_widget_show_all(window);
  gtk_main();
}
