#include "main/window/web_view_gtk.h"

#include <libsoup/soup.h>

#include "main/bridge/asset_server.h"
#include "main/window/gobject_gtk.h"
#include "main/window/webkit_compat_gtk.h"

namespace quillmar {
namespace {

// WebKitGTK serves a custom scheme at scheme://host/ (WebView2 maps the same
// protocol to http://quillmar.localhost/); the page only uses relative paths, so
// nothing in it depends on which form the host uses.
constexpr char kScheme[] = "quillmar";
constexpr char kAppOrigin[] = "quillmar://localhost/";
constexpr char kStartUrl[] = "quillmar://localhost/index.html";

// The page posts through window.ipc.postMessage on every platform; here it leads to
// the script message handler "ipc". Frozen, so a page script cannot replace it.
constexpr char kIpcScript[] =
    "Object.defineProperty(window, 'ipc', { value: Object.freeze({ postMessage: s=> "
    "window.webkit.messageHandlers.ipc.postMessage(s) }) });";

void serve_request(WebKitURISchemeRequest* request, gpointer data) {
  const auto* config = static_cast<const WebViewConfig*>(data);
  const AssetResponse answer = serve_asset(webkit_uri_scheme_request_get_uri(request), config->assets);

  // The bytes live in the executable for the whole run: the stream borrows them.
  static const unsigned char kNothing[1] = {0};
  const void* bytes = answer.body.empty() ? kNothing : answer.body.data();
  GObjectPtr<GInputStream> stream(
      g_memory_input_stream_new_from_data(bytes, static_cast<gssize>(answer.body.size()), nullptr));
  GObjectPtr<WebKitURISchemeResponse> response(
      webkit_uri_scheme_response_new(stream.get(), static_cast<gint64>(answer.body.size())));
  webkit_uri_scheme_response_set_status(response.get(), static_cast<guint>(answer.status), nullptr);
  if (!answer.headers.empty()) {
    SoupMessageHeaders* headers = soup_message_headers_new(SOUP_MESSAGE_HEADERS_RESPONSE);
    for (const auto& [name, value] : answer.headers) {
      soup_message_headers_append(headers, name.c_str(), value.c_str());
    }
    webkit_uri_scheme_response_set_content_type(response.get(), answer.headers.front().second.c_str());
    webkit_uri_scheme_response_set_http_headers(response.get(), headers);  // takes ownership
  }
  webkit_uri_scheme_request_finish_with_response(request, response.get());
}

void on_script_message(WebKitUserContentManager*, WebKitJavascriptResult* result, gpointer data) {
  const auto* config = static_cast<const WebViewConfig*>(data);
  // The page posts a string; anything else arrives as its JavaScript text form and
  // the bridge drops it as malformed.
  char* text = jsc_value_to_string(webkit_javascript_result_get_js_value(result));
  if (!text) return;
  std::string message(text);
  g_free(text);
  config->on_page_message(std::move(message));
}

// Only the app origin may be shown: links elsewhere, a dropped file and scripted
// redirects are all refused, and the page stays. New windows are never opened.
gboolean on_decide_policy(WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type, gpointer) {
  switch (type) {
    case WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION: {
      WebKitNavigationAction* action =
          webkit_navigation_policy_decision_get_navigation_action(WEBKIT_NAVIGATION_POLICY_DECISION(decision));
      const char* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
      if (uri && std::string_view(uri).starts_with(kAppOrigin)) {
        webkit_policy_decision_use(decision);
      } else {
        webkit_policy_decision_ignore(decision);
      }
      return TRUE;
    }
    case WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION:
      webkit_policy_decision_ignore(decision);
      return TRUE;
    default:
      return FALSE;
  }
}

GtkWidget* refuse_new_window(WebKitWebView*, WebKitNavigationAction*, gpointer) { return nullptr; }

}  // namespace

Result<GtkWidget*> create_gtk_web_view(const WebViewConfig& config) {
  const std::string data_folder = config.data_folder.native();
  GObjectPtr<WebKitWebContext> context(
      webkit_compat::new_context_in(data_folder, (config.data_folder / Path("Cache")).native()));
  if (!context) return Error{"the web view context could not be created in " + data_folder};

  gpointer data = const_cast<WebViewConfig*>(&config);
  webkit_web_context_register_uri_scheme(context.get(), kScheme, serve_request, data, nullptr);
  // A secure context, like the loopback origin the page has on Windows.
  webkit_security_manager_register_uri_scheme_as_secure(webkit_web_context_get_security_manager(context.get()),
                                                        kScheme);

  GObjectPtr<WebKitUserContentManager> content(webkit_user_content_manager_new());
  for (const std::string& source : {config.initialization_script, std::string(kIpcScript)}) {
    WebKitUserScript* script =
        webkit_user_script_new(source.c_str(), WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                               WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
    webkit_user_content_manager_add_script(content.get(), script);
    webkit_user_script_unref(script);
  }
  // Connected before registering, so no message can arrive unheard.
  g_signal_connect(content.get(), "script-message-received::ipc", G_CALLBACK(on_script_message), data);
  webkit_user_content_manager_register_script_message_handler(content.get(), "ipc");

  GObjectPtr<WebKitSettings> settings(webkit_settings_new());
  webkit_settings_set_enable_developer_extras(settings.get(), FALSE);
  webkit_settings_set_enable_javascript(settings.get(), TRUE);
  webkit_settings_set_javascript_can_open_windows_automatically(settings.get(), FALSE);

  GtkWidget* view = GTK_WIDGET(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", context.get(), "user-content-manager",
                                            content.get(), "settings", settings.get(), nullptr));
  if (!view) return Error{"the web view could not be created"};
  g_signal_connect(view, "decide-policy", G_CALLBACK(on_decide_policy), nullptr);
  g_signal_connect(view, "create", G_CALLBACK(refuse_new_window), nullptr);
  webkit_web_view_load_uri(WEBKIT_WEB_VIEW(view), kStartUrl);
  return view;
}

void run_script_in(GtkWidget* web_view, const std::string& script) {
  webkit_compat::run_script(WEBKIT_WEB_VIEW(web_view), script);
}

}  // namespace quillmar
