#pragma once
// libgsf warns on stderr about every damaged compound file; a fuzzer makes
// thousands a second, so the warnings are dropped.
#include <glib.h>

namespace quillmark::fuzz {

inline const bool kQuietGlib = [] {
    g_log_set_default_handler([](const gchar*, GLogLevelFlags, const gchar*, gpointer) {}, nullptr);
    return true;
}();

} // namespace quillmark::fuzz
