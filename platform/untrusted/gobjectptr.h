#pragma once
// GObjects (libgsf's inputs, outputs and compound files) owned by a unique_ptr that
// drops its reference.
#include <glib-object.h>

#include <memory>

namespace quillmark::untrusted {

struct GObjectUnref {
    void operator()(void* p) const
    {
        if (p) g_object_unref(p);
    }
};
template <typename T>
using GPtr = std::unique_ptr<T, GObjectUnref>;

} // namespace quillmark::untrusted
