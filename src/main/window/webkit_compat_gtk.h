#pragma once

#include <webkit2/webkit2.h>

#include <string>

// The few calls whose form changed between WebKitGTK releases, in one place so the
// web view code reads the same on every version the build may meet.
namespace quillmar::webkit_compat {

// Runs a script in the main frame and ignores its result. evaluate_javascript came
// with 2.40 and run_javascript was deprecated then; this can go with pre-2.40 support.
inline void run_script(WebKitWebView* view, const std::string& script) {
#if WEBKIT_CHECK_VERSION(2, 40, 0)
  webkit_web_view_evaluate_javascript(view, script.c_str(), static_cast<gssize>(script.size()), nullptr, nullptr,
                                      nullptr, nullptr, nullptr);
#else
  webkit_web_view_run_javascript(view, script.c_str(), nullptr, nullptr, nullptr);
#endif
}

// A web context whose storage and caches live in DATA_FOLDER.
inline WebKitWebContext* new_context_in(const std::string& data_folder, const std::string& cache_folder) {
  WebKitWebsiteDataManager* manager = webkit_website_data_manager_new(
      "base-data-directory", data_folder.c_str(), "base-cache-directory", cache_folder.c_str(), nullptr);
  WebKitWebContext* context = webkit_web_context_new_with_website_data_manager(manager);
  g_object_unref(manager);
  return context;
}

}  // namespace quillmar::webkit_compat
