#pragma once

#include <glib-object.h>

#include <utility>

namespace quillmar {

// Owns one reference to a GObject, so no early return leaks it.
template <typename T>
class GObjectPtr {
 public:
  GObjectPtr() = default;
  explicit GObjectPtr(T* object) : object_(object) {}
  ~GObjectPtr() {
    if (object_) g_object_unref(object_);
  }
  GObjectPtr(GObjectPtr&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  GObjectPtr& operator=(GObjectPtr&& other) noexcept {
    std::swap(object_, other.object_);
    return *this;
  }
  GObjectPtr(const GObjectPtr&) = delete;
  GObjectPtr& operator=(const GObjectPtr&) = delete;

  T* get() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }

 private:
  T* object_ = nullptr;
};

}  // namespace quillmar
