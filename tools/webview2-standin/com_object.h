#pragma once

// What every object the stand-in hands out shares: the vtable pointer first, a
// reference count, QueryInterface for IUnknown and the object's own IID, and stubs
// for the slots the installer should never call. OBJECT is a plain struct whose
// first two members are `const Vtbl* lpVtbl` and `LONG references`, with static
// kIid and kName.

#include <windows.h>
#include <objbase.h>

#include <string>

#include "call_log.h"
#include "ui_thread.h"

namespace standin {

template <class Object, class Interface>
Object* object_of(Interface* self) {
  return reinterpret_cast<Object*>(self);
}

template <class Object, class Interface>
ULONG STDMETHODCALLTYPE add_ref(Interface* self) {
  return static_cast<ULONG>(InterlockedIncrement(&object_of<Object>(self)->references));
}

template <class Object, class Interface>
ULONG STDMETHODCALLTYPE release(Interface* self) {
  Object* object = object_of<Object>(self);
  const LONG left = InterlockedDecrement(&object->references);
  if (left == 0) delete object;
  return static_cast<ULONG>(left);
}

// A query for any other IID is recorded: an installer asking for a newer interface
// than the ones it declared, or with a mistyped IID, shows up in the record.
template <class Object, class Interface>
HRESULT STDMETHODCALLTYPE query_interface(Interface* self, REFIID iid, void** result) {
  if (result == nullptr) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, Object::kIid)) {
    add_ref<Object>(self);
    *result = self;
    return S_OK;
  }
  record(std::string(Object::kName) + ".QueryInterface(" + guid_text(iid) + "): E_NOINTERFACE");
  *result = nullptr;
  return E_NOINTERFACE;
}

// Fills a slot the installer has no reason to call; the call is recorded with the
// slot's number so that a miscounted vtable on the installer's side is visible.
template <class Object, int Slot>
HRESULT STDMETHODCALLTYPE unexpected_call(void*) {
  record("UNEXPECTED CALL: " + std::string(Object::kName) + " slot " + std::to_string(Slot));
  return E_NOTIMPL;
}

// Asks a handler the installer passed in for its own IID, as the runtime does, and
// records a handler that does not answer it. The handler is used either way.
template <class Handler>
void check_handler_iid(Handler* handler, REFIID iid, const char* name) {
  if (handler == nullptr) return;
  void* same = nullptr;
  if (FAILED(handler->lpVtbl->QueryInterface(handler, iid, &same)) || same == nullptr) {
    record(std::string("HANDLER FAULT: the ") + name + " does not answer its IID " + guid_text(iid));
    return;
  }
  handler->lpVtbl->Release(handler);
}

// Runs COMPLETION(HANDLER) later on the UI thread, as the runtime completes every
// asynchronous call, and keeps the handler alive until then.
template <class Handler, class Completion>
void complete_later(Handler* handler, Completion completion) {
  handler->lpVtbl->AddRef(handler);
  post_to_ui([handler, completion] {
    completion(handler);
    handler->lpVtbl->Release(handler);
  });
}

}  // namespace standin
