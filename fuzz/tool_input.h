// What msp_tool's readers (libgsf, libmsi) need under fuzzing.
#pragma once

#include <glib.h>

// Their warnings about malformed files are not printed.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  g_log_set_default_handler([](const gchar*, GLogLevelFlags, const gchar*, gpointer) {}, nullptr);
  return 0;
}

// libgsf leaks memory on some malformed files (in gsf_infile_msole_new); with
// the fast unwinder a leak's stack ends in GLib's allocator, so GLib's
// allocations are not reported. The readers hold GLib objects only in RAII
// wrappers.
extern "C" const char* __lsan_default_suppressions() { return "leak:libglib-2.0.so\n"; }
