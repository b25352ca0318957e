#pragma once

// The one owner of COM interface pointers, so that no early return leaks a
// reference. Included only by *_win.cpp files.

#include <unknwn.h>

#include <utility>

#include "main/window/com_interface_id_win.h"

namespace quillmar {

template <typename Interface>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(const ComPtr& other) : pointer_(other.pointer_) {
    if (pointer_) pointer_->AddRef();
  }
  ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(pointer_, other.pointer_);
    return *this;
  }
  ~ComPtr() { reset(); }

  // Takes over a reference the caller already holds (a new object, an out-parameter).
  static ComPtr adopt(Interface* pointer) {
    ComPtr owner;
    owner.pointer_ = pointer;
    return owner;
  }
  // Adds a reference of its own to a borrowed pointer (an argument of a callback).
  static ComPtr share(Interface* pointer) {
    if (pointer) pointer->AddRef();
    return adopt(pointer);
  }

  Interface* get() const { return pointer_; }
  Interface* operator->() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }

  // For an out-parameter: drops the current reference and lets the callee write a new one.
  Interface** receive() {
    reset();
    return &pointer_;
  }
  // For an out-parameter the callee types as void** and fills with the interface an
  // IID asks for (CoCreateInstance and its kind): FILL is called with this
  // interface's own IID and the place to write, so the two cannot disagree.
  template <typename Fill>
  HRESULT receive_by_iid(Fill fill) {
    return fill(kInterfaceId<Interface>, reinterpret_cast<void**>(receive()));
  }
  // This interface of SOURCE's object, asked for by its own IID.
  HRESULT query_from(IUnknown* source) {
    return receive_by_iid([source](REFIID iid, void** object) { return source->QueryInterface(iid, object); });
  }

  void reset() {
    if (pointer_) std::exchange(pointer_, nullptr)->Release();
  }

 private:
  Interface* pointer_ = nullptr;
};

}  // namespace quillmar
