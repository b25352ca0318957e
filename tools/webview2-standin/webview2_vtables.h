#pragma once

// The stand-in runtime's own view of the WebView2 ABI: plain C vtables (structs of
// function pointers), written apart from the installer's C++ declarations so that a
// slot miscounted on one side shows up as a wrong call on the other instead of
// hiding in both. Every IID and every slot order here was compared with a public
// MIDL-generated WebView2.h (its "C style interface" vtables and its IID_ constants);
// the offset checks at the end pin each slot the installer may call to its index.
// The later additions (ICoreWebView2Settings2/3, MoveFocus and the position notice,
// the NavigationCompleted and ProcessFailed handlers and arguments) were checked
// against several other public declarations of the same interfaces, which agree.
//
// Slot numbers count the three IUnknown methods, so slot n sits at byte 8 n.
// Methods the installer has no business calling are typed UnusedSlot: their stub
// records the call as unexpected. On x64 the callee never pops arguments, so one
// stub shape serves every such slot whatever its real parameters.

#include <windows.h>
#include <objidl.h>

#include <cstddef>

extern "C" {

typedef struct ICoreWebView2 ICoreWebView2;
typedef struct ICoreWebView2Controller ICoreWebView2Controller;
typedef struct ICoreWebView2Environment ICoreWebView2Environment;
typedef struct ICoreWebView2EnvironmentOptions ICoreWebView2EnvironmentOptions;
typedef struct ICoreWebView2Settings ICoreWebView2Settings;
typedef struct ICoreWebView2WebMessageReceivedEventArgs ICoreWebView2WebMessageReceivedEventArgs;
typedef struct ICoreWebView2NavigationStartingEventArgs ICoreWebView2NavigationStartingEventArgs;
typedef struct ICoreWebView2NewWindowRequestedEventArgs ICoreWebView2NewWindowRequestedEventArgs;
typedef struct ICoreWebView2WebResourceRequestedEventArgs ICoreWebView2WebResourceRequestedEventArgs;
typedef struct ICoreWebView2WebResourceRequest ICoreWebView2WebResourceRequest;
typedef struct ICoreWebView2WebResourceResponse ICoreWebView2WebResourceResponse;
typedef struct ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler EnvironmentCompletedHandler;
typedef struct ICoreWebView2CreateCoreWebView2ControllerCompletedHandler ControllerCompletedHandler;
typedef struct ICoreWebView2WebMessageReceivedEventHandler WebMessageReceivedHandler;
typedef struct ICoreWebView2NavigationStartingEventHandler NavigationStartingHandler;
typedef struct ICoreWebView2NewWindowRequestedEventHandler NewWindowRequestedHandler;
typedef struct ICoreWebView2WebResourceRequestedEventHandler WebResourceRequestedHandler;
typedef struct ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler AddScriptCompletedHandler;
typedef struct ICoreWebView2ExecuteScriptCompletedHandler ExecuteScriptCompletedHandler;
typedef struct ICoreWebView2NavigationCompletedEventArgs ICoreWebView2NavigationCompletedEventArgs;
typedef struct ICoreWebView2NavigationCompletedEventHandler NavigationCompletedHandler;
typedef struct ICoreWebView2ProcessFailedEventArgs ICoreWebView2ProcessFailedEventArgs;
typedef struct ICoreWebView2ProcessFailedEventHandler ProcessFailedHandler;

typedef struct EventRegistrationTokenValue {
  INT64 value;
} EventRegistrationTokenValue;

typedef HRESULT(STDMETHODCALLTYPE* UnusedSlot)(void* self);

#define STANDIN_IUNKNOWN_SLOTS(Interface)                                                 \
  HRESULT(STDMETHODCALLTYPE* QueryInterface)(Interface * self, REFIID iid, void** object); \
  ULONG(STDMETHODCALLTYPE* AddRef)(Interface * self);                                     \
  ULONG(STDMETHODCALLTYPE* Release)(Interface * self)

// ---- Handlers the installer implements: IUnknown, then Invoke at slot 3 ----

typedef struct EnvironmentCompletedHandlerVtbl {
  STANDIN_IUNKNOWN_SLOTS(EnvironmentCompletedHandler);
  HRESULT(STDMETHODCALLTYPE* Invoke)(EnvironmentCompletedHandler* self, HRESULT error,
                                     ICoreWebView2Environment* created);
} EnvironmentCompletedHandlerVtbl;
struct ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler {
  const EnvironmentCompletedHandlerVtbl* lpVtbl;
};

typedef struct ControllerCompletedHandlerVtbl {
  STANDIN_IUNKNOWN_SLOTS(ControllerCompletedHandler);
  HRESULT(STDMETHODCALLTYPE* Invoke)(ControllerCompletedHandler* self, HRESULT error, ICoreWebView2Controller* created);
} ControllerCompletedHandlerVtbl;
struct ICoreWebView2CreateCoreWebView2ControllerCompletedHandler {
  const ControllerCompletedHandlerVtbl* lpVtbl;
};

typedef struct WebMessageReceivedHandlerVtbl {
  STANDIN_IUNKNOWN_SLOTS(WebMessageReceivedHandler);
  HRESULT(STDMETHODCALLTYPE* Invoke)(WebMessageReceivedHandler* self, ICoreWebView2* sender,
                                     ICoreWebView2WebMessageReceivedEventArgs* args);
} WebMessageReceivedHandlerVtbl;
struct ICoreWebView2WebMessageReceivedEventHandler {
  const WebMessageReceivedHandlerVtbl* lpVtbl;
};

typedef struct NavigationStartingHandlerVtbl {
  STANDIN_IUNKNOWN_SLOTS(NavigationStartingHandler);
  HRESULT(STDMETHODCALLTYPE* Invoke)(NavigationStartingHandler* self, ICoreWebView2* sender,
                                     ICoreWebView2NavigationStartingEventArgs* args);
} NavigationStartingHandlerVtbl;
struct ICoreWebView2NavigationStartingEventHandler {
  const NavigationStartingHandlerVtbl* lpVtbl;
};

typedef struct NewWindowRequestedHandlerVtbl {
  STANDIN_IUNKNOWN_SLOTS(NewWindowRequestedHandler);
  HRESULT(STDMETHODCALLTYPE* Invoke)(NewWindowRequestedHandler* self, ICoreWebView2* sender,
                                     ICoreWebView2NewWindowRequestedEventArgs* args);
} NewWindowRequestedHandlerVtbl;
struct ICoreWebView2NewWindowRequestedEventHandler {
  const NewWindowRequestedHandlerVtbl* lpVtbl;
};

typedef struct WebResourceRequestedHandlerVtbl {
  STANDIN_IUNKNOWN_SLOTS(WebResourceRequestedHandler);
  HRESULT(STDMETHODCALLTYPE* Invoke)(WebResourceRequestedHandler* self, ICoreWebView2* sender,
                                     ICoreWebView2WebResourceRequestedEventArgs* args);
} WebResourceRequestedHandlerVtbl;
struct ICoreWebView2WebResourceRequestedEventHandler {
  const WebResourceRequestedHandlerVtbl* lpVtbl;
};

typedef struct AddScriptCompletedHandlerVtbl {
  STANDIN_IUNKNOWN_SLOTS(AddScriptCompletedHandler);
  HRESULT(STDMETHODCALLTYPE* Invoke)(AddScriptCompletedHandler* self, HRESULT error, LPCWSTR id);
} AddScriptCompletedHandlerVtbl;
struct ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler {
  const AddScriptCompletedHandlerVtbl* lpVtbl;
};

typedef struct ExecuteScriptCompletedHandlerVtbl {
  STANDIN_IUNKNOWN_SLOTS(ExecuteScriptCompletedHandler);
  HRESULT(STDMETHODCALLTYPE* Invoke)(ExecuteScriptCompletedHandler* self, HRESULT error, LPCWSTR result_as_json);
} ExecuteScriptCompletedHandlerVtbl;
struct ICoreWebView2ExecuteScriptCompletedHandler {
  const ExecuteScriptCompletedHandlerVtbl* lpVtbl;
};

typedef struct NavigationCompletedHandlerVtbl {
  STANDIN_IUNKNOWN_SLOTS(NavigationCompletedHandler);
  HRESULT(STDMETHODCALLTYPE* Invoke)(NavigationCompletedHandler* self, ICoreWebView2* sender,
                                     ICoreWebView2NavigationCompletedEventArgs* args);
} NavigationCompletedHandlerVtbl;
struct ICoreWebView2NavigationCompletedEventHandler {
  const NavigationCompletedHandlerVtbl* lpVtbl;
};

typedef struct ProcessFailedHandlerVtbl {
  STANDIN_IUNKNOWN_SLOTS(ProcessFailedHandler);
  HRESULT(STDMETHODCALLTYPE* Invoke)(ProcessFailedHandler* self, ICoreWebView2* sender,
                                     ICoreWebView2ProcessFailedEventArgs* args);
} ProcessFailedHandlerVtbl;
struct ICoreWebView2ProcessFailedEventHandler {
  const ProcessFailedHandlerVtbl* lpVtbl;
};

// Implemented by the host when it passes options; the runtime only reads it.
typedef struct ICoreWebView2EnvironmentOptionsVtbl {
  STANDIN_IUNKNOWN_SLOTS(ICoreWebView2EnvironmentOptions);
  HRESULT(STDMETHODCALLTYPE* get_AdditionalBrowserArguments)(ICoreWebView2EnvironmentOptions* self,
                                                             LPWSTR* value);  // 3
  UnusedSlot put_AdditionalBrowserArguments;                                  // 4
  HRESULT(STDMETHODCALLTYPE* get_Language)(ICoreWebView2EnvironmentOptions* self, LPWSTR* value);  // 5
  UnusedSlot put_Language;                                                                         // 6
  HRESULT(STDMETHODCALLTYPE* get_TargetCompatibleBrowserVersion)(ICoreWebView2EnvironmentOptions* self,
                                                                 LPWSTR* value);  // 7
  UnusedSlot put_TargetCompatibleBrowserVersion;                                  // 8
  UnusedSlot get_AllowSingleSignOnUsingOSPrimaryAccount;                          // 9
  UnusedSlot put_AllowSingleSignOnUsingOSPrimaryAccount;                          // 10
} ICoreWebView2EnvironmentOptionsVtbl;
struct ICoreWebView2EnvironmentOptions {
  const ICoreWebView2EnvironmentOptionsVtbl* lpVtbl;
};

// ---- Objects the stand-in implements ----

typedef struct ICoreWebView2EnvironmentVtbl {
  STANDIN_IUNKNOWN_SLOTS(ICoreWebView2Environment);
  HRESULT(STDMETHODCALLTYPE* CreateCoreWebView2Controller)(ICoreWebView2Environment* self, HWND parent,
                                                           ControllerCompletedHandler* handler);   // 3
  HRESULT(STDMETHODCALLTYPE* CreateWebResourceResponse)(ICoreWebView2Environment* self, IStream* content,
                                                        int status_code, LPCWSTR reason_phrase, LPCWSTR headers,
                                                        ICoreWebView2WebResourceResponse** response);  // 4
  UnusedSlot get_BrowserVersionString;                                                               // 5
  UnusedSlot add_NewBrowserVersionAvailable;                                                         // 6
  UnusedSlot remove_NewBrowserVersionAvailable;                                                      // 7
} ICoreWebView2EnvironmentVtbl;
struct ICoreWebView2Environment {
  const ICoreWebView2EnvironmentVtbl* lpVtbl;
};

typedef struct ICoreWebView2ControllerVtbl {
  STANDIN_IUNKNOWN_SLOTS(ICoreWebView2Controller);
  HRESULT(STDMETHODCALLTYPE* get_IsVisible)(ICoreWebView2Controller* self, BOOL* visible);  // 3
  HRESULT(STDMETHODCALLTYPE* put_IsVisible)(ICoreWebView2Controller* self, BOOL visible);   // 4
  HRESULT(STDMETHODCALLTYPE* get_Bounds)(ICoreWebView2Controller* self, RECT* bounds);      // 5
  // RECT is 16 bytes: "by value" travels as a pointer to the caller's copy.
  HRESULT(STDMETHODCALLTYPE* put_Bounds)(ICoreWebView2Controller* self, RECT bounds);  // 6
  UnusedSlot get_ZoomFactor;                                                           // 7
  UnusedSlot put_ZoomFactor;                                                           // 8
  UnusedSlot add_ZoomFactorChanged;                                                    // 9
  UnusedSlot remove_ZoomFactorChanged;                                                 // 10
  UnusedSlot SetBoundsAndZoomFactor;                                                   // 11
  // COREWEBVIEW2_MOVE_FOCUS_REASON, a 32-bit enumeration: 0 programmatic, 1 next, 2 previous.
  HRESULT(STDMETHODCALLTYPE* MoveFocus)(ICoreWebView2Controller* self, INT32 reason);  // 12
  UnusedSlot add_MoveFocusRequested;                                                   // 13
  UnusedSlot remove_MoveFocusRequested;                                                // 14
  UnusedSlot add_GotFocus;                                                             // 15
  UnusedSlot remove_GotFocus;                                                          // 16
  UnusedSlot add_LostFocus;                                                            // 17
  UnusedSlot remove_LostFocus;                                                         // 18
  UnusedSlot add_AcceleratorKeyPressed;                                                // 19
  UnusedSlot remove_AcceleratorKeyPressed;                                             // 20
  UnusedSlot get_ParentWindow;                                                         // 21
  UnusedSlot put_ParentWindow;                                                         // 22
  HRESULT(STDMETHODCALLTYPE* NotifyParentWindowPositionChanged)(ICoreWebView2Controller* self);  // 23
  HRESULT(STDMETHODCALLTYPE* Close)(ICoreWebView2Controller* self);                    // 24
  HRESULT(STDMETHODCALLTYPE* get_CoreWebView2)(ICoreWebView2Controller* self, ICoreWebView2** web_view);  // 25
} ICoreWebView2ControllerVtbl;
struct ICoreWebView2Controller {
  const ICoreWebView2ControllerVtbl* lpVtbl;
};

typedef struct ICoreWebView2Vtbl {
  STANDIN_IUNKNOWN_SLOTS(ICoreWebView2);
  HRESULT(STDMETHODCALLTYPE* get_Settings)(ICoreWebView2* self, ICoreWebView2Settings** settings);  // 3
  UnusedSlot get_Source;                                                                            // 4
  HRESULT(STDMETHODCALLTYPE* Navigate)(ICoreWebView2* self, LPCWSTR uri);                           // 5
  UnusedSlot NavigateToString;                                                                      // 6
  HRESULT(STDMETHODCALLTYPE* add_NavigationStarting)(ICoreWebView2* self, NavigationStartingHandler* handler,
                                                     EventRegistrationTokenValue* token);  // 7
  UnusedSlot remove_NavigationStarting;                                                    // 8
  UnusedSlot add_ContentLoading;                                                           // 9
  UnusedSlot remove_ContentLoading;                                                        // 10
  UnusedSlot add_SourceChanged;                                                            // 11
  UnusedSlot remove_SourceChanged;                                                         // 12
  UnusedSlot add_HistoryChanged;                                                           // 13
  UnusedSlot remove_HistoryChanged;                                                        // 14
  HRESULT(STDMETHODCALLTYPE* add_NavigationCompleted)(ICoreWebView2* self, NavigationCompletedHandler* handler,
                                                      EventRegistrationTokenValue* token);  // 15
  UnusedSlot remove_NavigationCompleted;                                                   // 16
  UnusedSlot add_FrameNavigationStarting;                                                  // 17
  UnusedSlot remove_FrameNavigationStarting;                                               // 18
  UnusedSlot add_FrameNavigationCompleted;                                                 // 19
  UnusedSlot remove_FrameNavigationCompleted;                                              // 20
  UnusedSlot add_ScriptDialogOpening;                                                      // 21
  UnusedSlot remove_ScriptDialogOpening;                                                   // 22
  UnusedSlot add_PermissionRequested;                                                      // 23
  UnusedSlot remove_PermissionRequested;                                                   // 24
  HRESULT(STDMETHODCALLTYPE* add_ProcessFailed)(ICoreWebView2* self, ProcessFailedHandler* handler,
                                                EventRegistrationTokenValue* token);  // 25
  UnusedSlot remove_ProcessFailed;                                                         // 26
  HRESULT(STDMETHODCALLTYPE* AddScriptToExecuteOnDocumentCreated)(ICoreWebView2* self, LPCWSTR script,
                                                                  AddScriptCompletedHandler* handler);  // 27
  UnusedSlot RemoveScriptToExecuteOnDocumentCreated;                                                    // 28
  HRESULT(STDMETHODCALLTYPE* ExecuteScript)(ICoreWebView2* self, LPCWSTR script,
                                            ExecuteScriptCompletedHandler* handler);  // 29
  UnusedSlot CapturePreview;                                                          // 30
  HRESULT(STDMETHODCALLTYPE* Reload)(ICoreWebView2* self);                            // 31
  UnusedSlot PostWebMessageAsJson;                                                    // 32
  UnusedSlot PostWebMessageAsString;                                                  // 33
  HRESULT(STDMETHODCALLTYPE* add_WebMessageReceived)(ICoreWebView2* self, WebMessageReceivedHandler* handler,
                                                     EventRegistrationTokenValue* token);  // 34
  UnusedSlot remove_WebMessageReceived;                                                    // 35
  UnusedSlot CallDevToolsProtocolMethod;                                                   // 36
  UnusedSlot get_BrowserProcessId;                                                         // 37
  UnusedSlot get_CanGoBack;                                                                // 38
  UnusedSlot get_CanGoForward;                                                             // 39
  UnusedSlot GoBack;                                                                       // 40
  UnusedSlot GoForward;                                                                    // 41
  UnusedSlot GetDevToolsProtocolEventReceiver;                                             // 42
  UnusedSlot Stop;                                                                         // 43
  HRESULT(STDMETHODCALLTYPE* add_NewWindowRequested)(ICoreWebView2* self, NewWindowRequestedHandler* handler,
                                                     EventRegistrationTokenValue* token);  // 44
  UnusedSlot remove_NewWindowRequested;                                                    // 45
  UnusedSlot add_DocumentTitleChanged;                                                     // 46
  UnusedSlot remove_DocumentTitleChanged;                                                  // 47
  UnusedSlot get_DocumentTitle;                                                            // 48
  UnusedSlot AddHostObjectToScript;                                                        // 49
  UnusedSlot RemoveHostObjectFromScript;                                                   // 50
  UnusedSlot OpenDevToolsWindow;                                                           // 51
  UnusedSlot add_ContainsFullScreenElementChanged;                                         // 52
  UnusedSlot remove_ContainsFullScreenElementChanged;                                      // 53
  UnusedSlot get_ContainsFullScreenElement;                                                // 54
  HRESULT(STDMETHODCALLTYPE* add_WebResourceRequested)(ICoreWebView2* self, WebResourceRequestedHandler* handler,
                                                       EventRegistrationTokenValue* token);  // 55
  UnusedSlot remove_WebResourceRequested;                                                    // 56
  // The resource context is a 32-bit enumeration.
  HRESULT(STDMETHODCALLTYPE* AddWebResourceRequestedFilter)(ICoreWebView2* self, LPCWSTR uri,
                                                            INT32 resource_context);  // 57
  UnusedSlot RemoveWebResourceRequestedFilter;                                        // 58
  UnusedSlot add_WindowCloseRequested;                                                // 59
  UnusedSlot remove_WindowCloseRequested;                                             // 60
} ICoreWebView2Vtbl;
struct ICoreWebView2 {
  const ICoreWebView2Vtbl* lpVtbl;
};

// Every getter takes BOOL*, every setter BOOL; the getters answer what was set.
typedef HRESULT(STDMETHODCALLTYPE* SettingsGetter)(ICoreWebView2Settings* self, BOOL* value);
typedef HRESULT(STDMETHODCALLTYPE* SettingsSetter)(ICoreWebView2Settings* self, BOOL value);
typedef struct ICoreWebView2SettingsVtbl {
  STANDIN_IUNKNOWN_SLOTS(ICoreWebView2Settings);
  SettingsGetter get_IsScriptEnabled;                // 3
  SettingsSetter put_IsScriptEnabled;                // 4
  SettingsGetter get_IsWebMessageEnabled;            // 5
  SettingsSetter put_IsWebMessageEnabled;            // 6
  SettingsGetter get_AreDefaultScriptDialogsEnabled;  // 7
  SettingsSetter put_AreDefaultScriptDialogsEnabled;  // 8
  SettingsGetter get_IsStatusBarEnabled;             // 9
  SettingsSetter put_IsStatusBarEnabled;             // 10
  SettingsGetter get_AreDevToolsEnabled;             // 11
  SettingsSetter put_AreDevToolsEnabled;             // 12
  SettingsGetter get_AreDefaultContextMenusEnabled;  // 13
  SettingsSetter put_AreDefaultContextMenusEnabled;  // 14
  SettingsGetter get_AreHostObjectsAllowed;          // 15
  SettingsSetter put_AreHostObjectsAllowed;          // 16
  SettingsGetter get_IsZoomControlEnabled;           // 17
  SettingsSetter put_IsZoomControlEnabled;           // 18
  SettingsGetter get_IsBuiltInErrorPageEnabled;      // 19
  SettingsSetter put_IsBuiltInErrorPageEnabled;      // 20
  // ICoreWebView2Settings2 and 3 continue the same vtable; the stand-in's settings
  // object is a Settings3 and answers for all three IIDs.
  UnusedSlot get_UserAgent;                                // 21
  UnusedSlot put_UserAgent;                                // 22
  SettingsGetter get_AreBrowserAcceleratorKeysEnabled;     // 23
  SettingsSetter put_AreBrowserAcceleratorKeysEnabled;     // 24
} ICoreWebView2SettingsVtbl;
struct ICoreWebView2Settings {
  const ICoreWebView2SettingsVtbl* lpVtbl;
};

typedef struct ICoreWebView2WebMessageReceivedEventArgsVtbl {
  STANDIN_IUNKNOWN_SLOTS(ICoreWebView2WebMessageReceivedEventArgs);
  HRESULT(STDMETHODCALLTYPE* get_Source)(ICoreWebView2WebMessageReceivedEventArgs* self, LPWSTR* source);  // 3
  HRESULT(STDMETHODCALLTYPE* get_WebMessageAsJson)(ICoreWebView2WebMessageReceivedEventArgs* self,
                                                   LPWSTR* json);  // 4
  HRESULT(STDMETHODCALLTYPE* TryGetWebMessageAsString)(ICoreWebView2WebMessageReceivedEventArgs* self,
                                                       LPWSTR* text);  // 5
} ICoreWebView2WebMessageReceivedEventArgsVtbl;
struct ICoreWebView2WebMessageReceivedEventArgs {
  const ICoreWebView2WebMessageReceivedEventArgsVtbl* lpVtbl;
};

typedef struct ICoreWebView2NavigationStartingEventArgsVtbl {
  STANDIN_IUNKNOWN_SLOTS(ICoreWebView2NavigationStartingEventArgs);
  HRESULT(STDMETHODCALLTYPE* get_Uri)(ICoreWebView2NavigationStartingEventArgs* self, LPWSTR* uri);  // 3
  UnusedSlot get_IsUserInitiated;                                                                    // 4
  UnusedSlot get_IsRedirected;                                                                       // 5
  UnusedSlot get_RequestHeaders;                                                                     // 6
  HRESULT(STDMETHODCALLTYPE* get_Cancel)(ICoreWebView2NavigationStartingEventArgs* self, BOOL* cancel);  // 7
  HRESULT(STDMETHODCALLTYPE* put_Cancel)(ICoreWebView2NavigationStartingEventArgs* self, BOOL cancel);   // 8
  UnusedSlot get_NavigationId;                                                                           // 9
} ICoreWebView2NavigationStartingEventArgsVtbl;
struct ICoreWebView2NavigationStartingEventArgs {
  const ICoreWebView2NavigationStartingEventArgsVtbl* lpVtbl;
};

// Unlike most properties, put_Handled comes before get_Handled here.
typedef struct ICoreWebView2NewWindowRequestedEventArgsVtbl {
  STANDIN_IUNKNOWN_SLOTS(ICoreWebView2NewWindowRequestedEventArgs);
  HRESULT(STDMETHODCALLTYPE* get_Uri)(ICoreWebView2NewWindowRequestedEventArgs* self, LPWSTR* uri);  // 3
  HRESULT(STDMETHODCALLTYPE* put_NewWindow)(ICoreWebView2NewWindowRequestedEventArgs* self,
                                            ICoreWebView2* new_window);                               // 4
  UnusedSlot get_NewWindow;                                                                           // 5
  HRESULT(STDMETHODCALLTYPE* put_Handled)(ICoreWebView2NewWindowRequestedEventArgs* self, BOOL handled);   // 6
  HRESULT(STDMETHODCALLTYPE* get_Handled)(ICoreWebView2NewWindowRequestedEventArgs* self, BOOL* handled);  // 7
  UnusedSlot get_IsUserInitiated;                                                                          // 8
  UnusedSlot GetDeferral;                                                                                  // 9
  UnusedSlot get_WindowFeatures;                                                                           // 10
} ICoreWebView2NewWindowRequestedEventArgsVtbl;
struct ICoreWebView2NewWindowRequestedEventArgs {
  const ICoreWebView2NewWindowRequestedEventArgsVtbl* lpVtbl;
};

typedef struct ICoreWebView2WebResourceRequestedEventArgsVtbl {
  STANDIN_IUNKNOWN_SLOTS(ICoreWebView2WebResourceRequestedEventArgs);
  HRESULT(STDMETHODCALLTYPE* get_Request)(ICoreWebView2WebResourceRequestedEventArgs* self,
                                          ICoreWebView2WebResourceRequest** request);  // 3
  HRESULT(STDMETHODCALLTYPE* get_Response)(ICoreWebView2WebResourceRequestedEventArgs* self,
                                           ICoreWebView2WebResourceResponse** response);  // 4
  HRESULT(STDMETHODCALLTYPE* put_Response)(ICoreWebView2WebResourceRequestedEventArgs* self,
                                           ICoreWebView2WebResourceResponse* response);  // 5
  UnusedSlot GetDeferral;                                                                // 6
  HRESULT(STDMETHODCALLTYPE* get_ResourceContext)(ICoreWebView2WebResourceRequestedEventArgs* self,
                                                  INT32* context);  // 7
} ICoreWebView2WebResourceRequestedEventArgsVtbl;
struct ICoreWebView2WebResourceRequestedEventArgs {
  const ICoreWebView2WebResourceRequestedEventArgsVtbl* lpVtbl;
};

typedef struct ICoreWebView2WebResourceRequestVtbl {
  STANDIN_IUNKNOWN_SLOTS(ICoreWebView2WebResourceRequest);
  HRESULT(STDMETHODCALLTYPE* get_Uri)(ICoreWebView2WebResourceRequest* self, LPWSTR* uri);  // 3
  UnusedSlot put_Uri;                                                                       // 4
  HRESULT(STDMETHODCALLTYPE* get_Method)(ICoreWebView2WebResourceRequest* self, LPWSTR* method);  // 5
  UnusedSlot put_Method;                                                                          // 6
  UnusedSlot get_Content;                                                                         // 7
  UnusedSlot put_Content;                                                                         // 8
  UnusedSlot get_Headers;                                                                         // 9
} ICoreWebView2WebResourceRequestVtbl;
struct ICoreWebView2WebResourceRequest {
  const ICoreWebView2WebResourceRequestVtbl* lpVtbl;
};

typedef struct ICoreWebView2NavigationCompletedEventArgsVtbl {
  STANDIN_IUNKNOWN_SLOTS(ICoreWebView2NavigationCompletedEventArgs);
  HRESULT(STDMETHODCALLTYPE* get_IsSuccess)(ICoreWebView2NavigationCompletedEventArgs* self, BOOL* success);  // 3
  UnusedSlot get_WebErrorStatus;                                                                              // 4
  UnusedSlot get_NavigationId;                                                                                // 5
} ICoreWebView2NavigationCompletedEventArgsVtbl;
struct ICoreWebView2NavigationCompletedEventArgs {
  const ICoreWebView2NavigationCompletedEventArgsVtbl* lpVtbl;
};

typedef struct ICoreWebView2ProcessFailedEventArgsVtbl {
  STANDIN_IUNKNOWN_SLOTS(ICoreWebView2ProcessFailedEventArgs);
  // COREWEBVIEW2_PROCESS_FAILED_KIND: 0 browser exited, 1 render exited, 2 render unresponsive.
  HRESULT(STDMETHODCALLTYPE* get_ProcessFailedKind)(ICoreWebView2ProcessFailedEventArgs* self, INT32* kind);  // 3
} ICoreWebView2ProcessFailedEventArgsVtbl;
struct ICoreWebView2ProcessFailedEventArgs {
  const ICoreWebView2ProcessFailedEventArgsVtbl* lpVtbl;
};

// Only made by the environment and read back by the stand-in itself; the installer
// has no reason to call any of these.
typedef struct ICoreWebView2WebResourceResponseVtbl {
  STANDIN_IUNKNOWN_SLOTS(ICoreWebView2WebResourceResponse);
  UnusedSlot get_Content;       // 3
  UnusedSlot put_Content;       // 4
  UnusedSlot get_Headers;       // 5
  UnusedSlot get_StatusCode;    // 6
  UnusedSlot put_StatusCode;    // 7
  UnusedSlot get_ReasonPhrase;  // 8
  UnusedSlot put_ReasonPhrase;  // 9
} ICoreWebView2WebResourceResponseVtbl;
struct ICoreWebView2WebResourceResponse {
  const ICoreWebView2WebResourceResponseVtbl* lpVtbl;
};

#undef STANDIN_IUNKNOWN_SLOTS

}  // extern "C"

// Each slot the installer may call, pinned to its index: a field added or dropped
// above moves every later one and stops the build here.
#define STANDIN_SLOT(Vtbl, field, slot) static_assert(offsetof(Vtbl, field) == (slot) * sizeof(void*), #field)
STANDIN_SLOT(ICoreWebView2EnvironmentVtbl, CreateCoreWebView2Controller, 3);
STANDIN_SLOT(ICoreWebView2EnvironmentVtbl, CreateWebResourceResponse, 4);
STANDIN_SLOT(ICoreWebView2EnvironmentVtbl, remove_NewBrowserVersionAvailable, 7);
STANDIN_SLOT(ICoreWebView2ControllerVtbl, put_IsVisible, 4);
STANDIN_SLOT(ICoreWebView2ControllerVtbl, put_Bounds, 6);
STANDIN_SLOT(ICoreWebView2ControllerVtbl, MoveFocus, 12);
STANDIN_SLOT(ICoreWebView2ControllerVtbl, NotifyParentWindowPositionChanged, 23);
STANDIN_SLOT(ICoreWebView2ControllerVtbl, Close, 24);
STANDIN_SLOT(ICoreWebView2ControllerVtbl, get_CoreWebView2, 25);
STANDIN_SLOT(ICoreWebView2Vtbl, get_Settings, 3);
STANDIN_SLOT(ICoreWebView2Vtbl, Navigate, 5);
STANDIN_SLOT(ICoreWebView2Vtbl, add_NavigationStarting, 7);
STANDIN_SLOT(ICoreWebView2Vtbl, add_NavigationCompleted, 15);
STANDIN_SLOT(ICoreWebView2Vtbl, add_ProcessFailed, 25);
STANDIN_SLOT(ICoreWebView2Vtbl, AddScriptToExecuteOnDocumentCreated, 27);
STANDIN_SLOT(ICoreWebView2Vtbl, Reload, 31);
STANDIN_SLOT(ICoreWebView2Vtbl, ExecuteScript, 29);
STANDIN_SLOT(ICoreWebView2Vtbl, add_WebMessageReceived, 34);
STANDIN_SLOT(ICoreWebView2Vtbl, add_NewWindowRequested, 44);
STANDIN_SLOT(ICoreWebView2Vtbl, add_WebResourceRequested, 55);
STANDIN_SLOT(ICoreWebView2Vtbl, AddWebResourceRequestedFilter, 57);
STANDIN_SLOT(ICoreWebView2Vtbl, remove_WindowCloseRequested, 60);
STANDIN_SLOT(ICoreWebView2SettingsVtbl, put_IsScriptEnabled, 4);
STANDIN_SLOT(ICoreWebView2SettingsVtbl, put_IsStatusBarEnabled, 10);
STANDIN_SLOT(ICoreWebView2SettingsVtbl, put_AreDevToolsEnabled, 12);
STANDIN_SLOT(ICoreWebView2SettingsVtbl, put_AreDefaultContextMenusEnabled, 14);
STANDIN_SLOT(ICoreWebView2SettingsVtbl, put_IsZoomControlEnabled, 18);
STANDIN_SLOT(ICoreWebView2SettingsVtbl, put_IsBuiltInErrorPageEnabled, 20);
STANDIN_SLOT(ICoreWebView2SettingsVtbl, put_AreBrowserAcceleratorKeysEnabled, 24);
STANDIN_SLOT(ICoreWebView2NavigationCompletedEventArgsVtbl, get_NavigationId, 5);
STANDIN_SLOT(ICoreWebView2ProcessFailedEventArgsVtbl, get_ProcessFailedKind, 3);
STANDIN_SLOT(NavigationCompletedHandlerVtbl, Invoke, 3);
STANDIN_SLOT(ProcessFailedHandlerVtbl, Invoke, 3);
STANDIN_SLOT(ICoreWebView2WebMessageReceivedEventArgsVtbl, TryGetWebMessageAsString, 5);
STANDIN_SLOT(ICoreWebView2NavigationStartingEventArgsVtbl, get_Uri, 3);
STANDIN_SLOT(ICoreWebView2NavigationStartingEventArgsVtbl, put_Cancel, 8);
STANDIN_SLOT(ICoreWebView2NewWindowRequestedEventArgsVtbl, put_Handled, 6);
STANDIN_SLOT(ICoreWebView2NewWindowRequestedEventArgsVtbl, get_WindowFeatures, 10);
STANDIN_SLOT(ICoreWebView2WebResourceRequestedEventArgsVtbl, get_Request, 3);
STANDIN_SLOT(ICoreWebView2WebResourceRequestedEventArgsVtbl, put_Response, 5);
STANDIN_SLOT(ICoreWebView2WebResourceRequestVtbl, get_Uri, 3);
STANDIN_SLOT(ICoreWebView2WebResourceRequestVtbl, get_Headers, 9);
STANDIN_SLOT(ICoreWebView2WebResourceResponseVtbl, put_ReasonPhrase, 9);
STANDIN_SLOT(ICoreWebView2EnvironmentOptionsVtbl, put_AllowSingleSignOnUsingOSPrimaryAccount, 10);
STANDIN_SLOT(EnvironmentCompletedHandlerVtbl, Invoke, 3);
STANDIN_SLOT(ExecuteScriptCompletedHandlerVtbl, Invoke, 3);
#undef STANDIN_SLOT

// IIDs of the stable 1.0 interfaces, as in the header's IID_ constants.
namespace standin {

// 76ECEACB-0462-4D94-AC83-423A6793775E
inline constexpr GUID kIidWebView = {0x76eceacb, 0x0462, 0x4d94, {0xac, 0x83, 0x42, 0x3a, 0x67, 0x93, 0x77, 0x5e}};
// 4D00C0D1-9434-4EB6-8078-8697A560334F
inline constexpr GUID kIidController = {0x4d00c0d1, 0x9434, 0x4eb6, {0x80, 0x78, 0x86, 0x97, 0xa5, 0x60, 0x33, 0x4f}};
// B96D755E-0319-4E92-A296-23436F46A1FC
inline constexpr GUID kIidEnvironment = {0xb96d755e, 0x0319, 0x4e92, {0xa2, 0x96, 0x23, 0x43, 0x6f, 0x46, 0xa1, 0xfc}};
// E562E4F0-D7FA-43AC-8D71-C05150499F00
inline constexpr GUID kIidSettings = {0xe562e4f0, 0xd7fa, 0x43ac, {0x8d, 0x71, 0xc0, 0x51, 0x50, 0x49, 0x9f, 0x00}};
// 2FDE08A8-1E9A-4766-8C05-95A9CEB9D1C5
inline constexpr GUID kIidEnvironmentOptions = {
    0x2fde08a8, 0x1e9a, 0x4766, {0x8c, 0x05, 0x95, 0xa9, 0xce, 0xb9, 0xd1, 0xc5}};
// 0F99A40C-E962-4207-9E92-E3D542EFF849
inline constexpr GUID kIidWebMessageReceivedArgs = {
    0x0f99a40c, 0xe962, 0x4207, {0x9e, 0x92, 0xe3, 0xd5, 0x42, 0xef, 0xf8, 0x49}};
// 5B495469-E119-438A-9B18-7604F25F2E49
inline constexpr GUID kIidNavigationStartingArgs = {
    0x5b495469, 0xe119, 0x438a, {0x9b, 0x18, 0x76, 0x04, 0xf2, 0x5f, 0x2e, 0x49}};
// 34ACB11C-FC37-4418-9132-F9C21D1EAFB9
inline constexpr GUID kIidNewWindowRequestedArgs = {
    0x34acb11c, 0xfc37, 0x4418, {0x91, 0x32, 0xf9, 0xc2, 0x1d, 0x1e, 0xaf, 0xb9}};
// 453E667F-12C7-49D4-BE6D-DDBE7956F57A
inline constexpr GUID kIidWebResourceRequestedArgs = {
    0x453e667f, 0x12c7, 0x49d4, {0xbe, 0x6d, 0xdd, 0xbe, 0x79, 0x56, 0xf5, 0x7a}};
// 97055CD4-512C-4264-8B5F-E3F446CEA6A5
inline constexpr GUID kIidWebResourceRequest = {
    0x97055cd4, 0x512c, 0x4264, {0x8b, 0x5f, 0xe3, 0xf4, 0x46, 0xce, 0xa6, 0xa5}};
// AAFCC94F-FA27-48FD-97DF-830EF75AAEC9
inline constexpr GUID kIidWebResourceResponse = {
    0xaafcc94f, 0xfa27, 0x48fd, {0x97, 0xdf, 0x83, 0x0e, 0xf7, 0x5a, 0xae, 0xc9}};
// 4E8A3389-C9D8-4BD2-B6B5-124FEE6CC14D
inline constexpr GUID kIidEnvironmentCompletedHandler = {
    0x4e8a3389, 0xc9d8, 0x4bd2, {0xb6, 0xb5, 0x12, 0x4f, 0xee, 0x6c, 0xc1, 0x4d}};
// 6C4819F3-C9B7-4260-8127-C9F5BDE7F68C
inline constexpr GUID kIidControllerCompletedHandler = {
    0x6c4819f3, 0xc9b7, 0x4260, {0x81, 0x27, 0xc9, 0xf5, 0xbd, 0xe7, 0xf6, 0x8c}};
// 57213F19-00E6-49FA-8E07-898EA01ECBD2
inline constexpr GUID kIidWebMessageReceivedHandler = {
    0x57213f19, 0x00e6, 0x49fa, {0x8e, 0x07, 0x89, 0x8e, 0xa0, 0x1e, 0xcb, 0xd2}};
// 9ADBE429-F36D-432B-9DDC-F8881FBD76E3
inline constexpr GUID kIidNavigationStartingHandler = {
    0x9adbe429, 0xf36d, 0x432b, {0x9d, 0xdc, 0xf8, 0x88, 0x1f, 0xbd, 0x76, 0xe3}};
// D4C185FE-C81C-4989-97AF-2D3FA7AB5651
inline constexpr GUID kIidNewWindowRequestedHandler = {
    0xd4c185fe, 0xc81c, 0x4989, {0x97, 0xaf, 0x2d, 0x3f, 0xa7, 0xab, 0x56, 0x51}};
// AB00B74C-15F1-4646-80E8-E76341D25D71
inline constexpr GUID kIidWebResourceRequestedHandler = {
    0xab00b74c, 0x15f1, 0x4646, {0x80, 0xe8, 0xe7, 0x63, 0x41, 0xd2, 0x5d, 0x71}};
// B99369F3-9B11-47B5-BC6F-8E7895FCEA17
inline constexpr GUID kIidAddScriptCompletedHandler = {
    0xb99369f3, 0x9b11, 0x47b5, {0xbc, 0x6f, 0x8e, 0x78, 0x95, 0xfc, 0xea, 0x17}};
// 49511172-CC67-4BCA-9923-137112F4C4CC
inline constexpr GUID kIidExecuteScriptCompletedHandler = {
    0x49511172, 0xcc67, 0x4bca, {0x99, 0x23, 0x13, 0x71, 0x12, 0xf4, 0xc4, 0xcc}};
// EE9A0F68-F46C-4E32-AC23-EF8CAC224D2A
inline constexpr GUID kIidSettings2 = {0xee9a0f68, 0xf46c, 0x4e32, {0xac, 0x23, 0xef, 0x8c, 0xac, 0x22, 0x4d, 0x2a}};
// FDB5AB74-AF33-4854-84F0-0A631DEB5EBA
inline constexpr GUID kIidSettings3 = {0xfdb5ab74, 0xaf33, 0x4854, {0x84, 0xf0, 0x0a, 0x63, 0x1d, 0xeb, 0x5e, 0xba}};
// D33A35BF-1C49-4F98-93AB-006E0533FE1C
inline constexpr GUID kIidNavigationCompletedHandler = {
    0xd33a35bf, 0x1c49, 0x4f98, {0x93, 0xab, 0x00, 0x6e, 0x05, 0x33, 0xfe, 0x1c}};
// 30D68B7D-20D9-4752-A9CA-EC8448FBB5C1
inline constexpr GUID kIidNavigationCompletedArgs = {
    0x30d68b7d, 0x20d9, 0x4752, {0xa9, 0xca, 0xec, 0x84, 0x48, 0xfb, 0xb5, 0xc1}};
// 79E0AEA4-990B-42D9-AA1D-0FCC2E5BC7F1
inline constexpr GUID kIidProcessFailedHandler = {
    0x79e0aea4, 0x990b, 0x42d9, {0xaa, 0x1d, 0x0f, 0xcc, 0x2e, 0x5b, 0xc7, 0xf1}};
// 8155A9A4-1474-4A86-8CAE-151B0FA6B8CA
inline constexpr GUID kIidProcessFailedArgs = {
    0x8155a9a4, 0x1474, 0x4a86, {0x8c, 0xae, 0x15, 0x1b, 0x0f, 0xa6, 0xb8, 0xca}};

}  // namespace standin
