// ICoreWebView2Controller: the web view's place in the installer's window.

#include <string>

#include "com_object.h"
#include "runtime_state.h"

namespace standin {
namespace {

struct Controller {
  const ICoreWebView2ControllerVtbl* lpVtbl;
  LONG references;
  BOOL visible;
  RECT bounds;

  static constexpr GUID kIid = kIidController;
  static constexpr char kName[] = "ICoreWebView2Controller";
};

HRESULT STDMETHODCALLTYPE get_is_visible(ICoreWebView2Controller* self, BOOL* visible) {
  record_call("ICoreWebView2Controller.get_IsVisible");
  if (visible == nullptr) return E_POINTER;
  *visible = object_of<Controller>(self)->visible;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE put_is_visible(ICoreWebView2Controller* self, BOOL visible) {
  record_call("ICoreWebView2Controller.put_IsVisible(" + std::to_string(visible) + ")");
  object_of<Controller>(self)->visible = visible;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE get_bounds(ICoreWebView2Controller* self, RECT* bounds) {
  record_call("ICoreWebView2Controller.get_Bounds");
  if (bounds == nullptr) return E_POINTER;
  *bounds = object_of<Controller>(self)->bounds;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE put_bounds(ICoreWebView2Controller* self, RECT bounds) {
  record_call("ICoreWebView2Controller.put_Bounds(" + std::to_string(bounds.left) + ", " + std::to_string(bounds.top) +
              ", " + std::to_string(bounds.right) + ", " + std::to_string(bounds.bottom) + ")");
  object_of<Controller>(self)->bounds = bounds;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE move_focus(ICoreWebView2Controller*, INT32 reason) {
  record_call("ICoreWebView2Controller.MoveFocus(" + std::to_string(reason) + ")");
  return reason >= 0 && reason <= 2 ? S_OK : E_INVALIDARG;
}

HRESULT STDMETHODCALLTYPE notify_position_changed(ICoreWebView2Controller*) {
  record_call("ICoreWebView2Controller.NotifyParentWindowPositionChanged");
  return S_OK;
}

HRESULT STDMETHODCALLTYPE close(ICoreWebView2Controller*) {
  record_call("ICoreWebView2Controller.Close");
  return S_OK;
}

HRESULT STDMETHODCALLTYPE get_core_web_view(ICoreWebView2Controller*, ICoreWebView2** web_view) {
  record_call("ICoreWebView2Controller.get_CoreWebView2");
  if (web_view == nullptr) return E_POINTER;
  ICoreWebView2* the_web_view = runtime_state().web_view;
  the_web_view->lpVtbl->AddRef(the_web_view);
  *web_view = the_web_view;
  return S_OK;
}

constexpr ICoreWebView2ControllerVtbl kControllerVtbl = {
    .QueryInterface = query_interface<Controller>,
    .AddRef = add_ref<Controller>,
    .Release = release<Controller>,
    .get_IsVisible = get_is_visible,
    .put_IsVisible = put_is_visible,
    .get_Bounds = get_bounds,
    .put_Bounds = put_bounds,
    .get_ZoomFactor = unexpected_call<Controller, 7>,
    .put_ZoomFactor = unexpected_call<Controller, 8>,
    .add_ZoomFactorChanged = unexpected_call<Controller, 9>,
    .remove_ZoomFactorChanged = unexpected_call<Controller, 10>,
    .SetBoundsAndZoomFactor = unexpected_call<Controller, 11>,
    .MoveFocus = move_focus,
    .add_MoveFocusRequested = unexpected_call<Controller, 13>,
    .remove_MoveFocusRequested = unexpected_call<Controller, 14>,
    .add_GotFocus = unexpected_call<Controller, 15>,
    .remove_GotFocus = unexpected_call<Controller, 16>,
    .add_LostFocus = unexpected_call<Controller, 17>,
    .remove_LostFocus = unexpected_call<Controller, 18>,
    .add_AcceleratorKeyPressed = unexpected_call<Controller, 19>,
    .remove_AcceleratorKeyPressed = unexpected_call<Controller, 20>,
    .get_ParentWindow = unexpected_call<Controller, 21>,
    .put_ParentWindow = unexpected_call<Controller, 22>,
    .NotifyParentWindowPositionChanged = notify_position_changed,
    .Close = close,
    .get_CoreWebView2 = get_core_web_view,
};

}  // namespace

ICoreWebView2Controller* make_controller(HWND parent) {
  RuntimeState& state = runtime_state();
  state.parent = parent;
  if (state.web_view == nullptr) state.web_view = make_web_view();
  // Visible with empty bounds until told otherwise, as a fresh controller is.
  return reinterpret_cast<ICoreWebView2Controller*>(new Controller{&kControllerVtbl, 1, TRUE, RECT{}});
}

}  // namespace standin
