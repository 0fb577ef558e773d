#pragma once
// One ownership idiom for the C objects we touch: GRef<T> for reference-counted
// GObjects, CPtr<T> (a unique_ptr with a per-type deleter) for everything else.

#include <glib-object.h>

#include <memory>
#include <utility>

namespace platform {

template <typename T>
class GRef {
 public:
  GRef() = default;
  GRef(std::nullptr_t) {}
  // Adopts a reference the caller already owns (a "transfer full" return).
  // A floating object is owned by nobody yet: adopting one is a mistake
  // (use retain), reported and then made safe by sinking it.
  static GRef adopt(T* object) {
    if (object && g_object_is_floating(object)) {
      g_critical("GRef::adopt of a floating %s; use GRef::retain", G_OBJECT_TYPE_NAME(object));
      g_object_ref_sink(object);
    }
    GRef r;
    r.ptr_ = object;
    return r;
  }
  // Takes a new reference to an object owned elsewhere ("transfer none").
  // Sinks a floating reference, as a container would: a new widget held here
  // and then added to a parent stays alive as long as this holder does.
  static GRef retain(T* object) {
    GRef r;
    if (object) r.ptr_ = static_cast<T*>(g_object_ref_sink(object));
    return r;
  }
  GRef(const GRef& other) : ptr_(other.ptr_) {
    if (ptr_) g_object_ref(ptr_);
  }
  GRef(GRef&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
  GRef& operator=(GRef other) noexcept {
    std::swap(ptr_, other.ptr_);
    return *this;
  }
  ~GRef() {
    if (ptr_) g_object_unref(ptr_);
  }

  T* get() const { return ptr_; }
  T* operator->() const { return ptr_; }
  explicit operator bool() const { return ptr_ != nullptr; }
  // Hands the reference to a C API that takes ownership.
  T* release() { return std::exchange(ptr_, nullptr); }
  void reset() { GRef().swapWith(*this); }

 private:
  void swapWith(GRef& other) { std::swap(ptr_, other.ptr_); }
  T* ptr_ = nullptr;
};

template <typename T>
GRef<T> adoptGRef(T* object) {
  return GRef<T>::adopt(object);
}

// A weak reference: does not keep the object alive, and answers null once it
// has been finalized. For callbacks that may outlive a widget.
template <typename T>
class WeakRef {
 public:
  WeakRef() { g_weak_ref_init(&ref_, nullptr); }
  explicit WeakRef(T* object) { g_weak_ref_init(&ref_, object); }
  WeakRef(const WeakRef& other) { g_weak_ref_init(&ref_, other.get().get()); }
  WeakRef& operator=(const WeakRef& other) {
    if (this != &other) g_weak_ref_set(&ref_, other.get().get());
    return *this;
  }
  ~WeakRef() { g_weak_ref_clear(&ref_); }

  void set(T* object) { g_weak_ref_set(&ref_, object); }
  // A strong reference for as long as the caller holds it, or null.
  GRef<T> get() const { return GRef<T>::adopt(static_cast<T*>(g_weak_ref_get(&ref_))); }

 private:
  mutable GWeakRef ref_;
};

template <typename T>
struct CDeleter;

#define NIMBREL_DEFINE_C_DELETER(Type, freeFunction) \
  template <>                                        \
  struct CDeleter<Type> {                            \
    void operator()(Type* p) const {                 \
      if (p) freeFunction(p);                        \
    }                                                \
  };

NIMBREL_DEFINE_C_DELETER(GError, g_error_free)
NIMBREL_DEFINE_C_DELETER(GUri, g_uri_unref)
NIMBREL_DEFINE_C_DELETER(GKeyFile, g_key_file_unref)
NIMBREL_DEFINE_C_DELETER(GBytes, g_bytes_unref)
NIMBREL_DEFINE_C_DELETER(GVariant, g_variant_unref)
NIMBREL_DEFINE_C_DELETER(GMainLoop, g_main_loop_unref)
NIMBREL_DEFINE_C_DELETER(GRegex, g_regex_unref)
NIMBREL_DEFINE_C_DELETER(GMatchInfo, g_match_info_unref)
NIMBREL_DEFINE_C_DELETER(char, g_free)
NIMBREL_DEFINE_C_DELETER(gchar*, g_strfreev)

// unique_ptr with the deleter of T; other headers add deleters for their own types.
template <typename T>
using CPtr = std::unique_ptr<T, CDeleter<T>>;

using GErrorPtr = CPtr<GError>;
using GCharPtr = CPtr<char>;

// Fills a GError** out-parameter and owns the result: `g_func(..., err.out())`.
class GErrorOut {
 public:
  GError** out() { return &error_; }
  GError* get() const { return error_; }
  explicit operator bool() const { return error_ != nullptr; }
  const char* message() const { return error_ ? error_->message : ""; }
  ~GErrorOut() {
    if (error_) g_error_free(error_);
  }

 private:
  GError* error_ = nullptr;
};

}  // namespace platform
