#pragma once

// The handler objects the host gives to the web view runtime: each implements one
// handler interface (IUnknown plus Invoke at slot 3) by forwarding Invoke to a C++
// callable. Included only by *_win.cpp files.

#include <windows.h>

#include <atomic>
#include <utility>

#include "main/window/com_interface_id_win.h"

namespace quillmar {

template <typename Interface, typename Callable, typename... Arguments>
class ComCallback final : public Interface {
 public:
  explicit ComCallback(Callable callable) : callable_(std::move(callable)) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (IsEqualIID(iid, kInterfaceId<IUnknown>) || IsEqualIID(iid, kInterfaceId<Interface>)) {
      *object = static_cast<Interface*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  // The runtime calls this on the window's thread. No exception may cross back into
  // it: the frames between here and the message loop are not ours to unwind.
  HRESULT STDMETHODCALLTYPE Invoke(Arguments... arguments) override {
    try {
      return callable_(arguments...);
    } catch (...) {
      return E_UNEXPECTED;
    }
  }

 private:
  ~ComCallback() = default;

  Callable callable_;
  std::atomic<ULONG> references_{1};
};

namespace com_callback_detail {
template <typename Method>
struct InvokeOf;
template <typename Interface, typename... Arguments>
struct InvokeOf<HRESULT (Interface::*)(Arguments...)> {
  template <typename Callable>
  using Callback = ComCallback<Interface, Callable, Arguments...>;
};
}  // namespace com_callback_detail

// A new handler object implementing INTERFACE, known by its bound IID, with CALLABLE
// as its Invoke; the caller owns the one reference it starts with.
template <typename Interface, typename Callable>
Interface* make_com_callback(Callable callable) {
  using Callback = typename com_callback_detail::InvokeOf<decltype(&Interface::Invoke)>::template Callback<Callable>;
  return new Callback(std::move(callable));
}

}  // namespace quillmar
