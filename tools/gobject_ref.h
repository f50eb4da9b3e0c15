// Owning one GObject reference, for the libraries msp_tool uses.
#pragma once

#include <glib-object.h>

namespace msptool {

template <typename T>
class Ref {
 public:
  explicit Ref(T* p) : p_(p) {}
  Ref(const Ref&) = delete;
  Ref& operator=(const Ref&) = delete;
  ~Ref() {
    if (p_) g_object_unref(p_);
  }
  T* get() const { return p_; }

 private:
  T* p_;
};

}  // namespace msptool
