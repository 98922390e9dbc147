#pragma once

#include <utility>

namespace tarquel {

// Sole owner of a system handle, released by `Deleter` exactly once. Move-only: a copy would
// release the same handle twice. A value-initialised `Handle` (null) means "owns nothing".
template <typename Handle, typename Deleter>
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(Handle handle) : handle_(handle) {}
  ~UniqueHandle() { reset(); }

  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != Handle{}; }

  // Gives up ownership without releasing.
  Handle release() { return std::exchange(handle_, Handle{}); }

  void reset(Handle handle = Handle{}) {
    Handle old = std::exchange(handle_, handle);
    if (old != Handle{}) Deleter{}(old);
  }

 private:
  Handle handle_{};
};

}  // namespace tarquel
