// The program's load configuration, which the loader reads before it resolves
// any import: DependentLoadFlags makes it take the dependencies of the static
// imports (KERNEL32 and the C runtime, both KnownDLLs) from System32 only, on
// Windows 10 1607 and later. MSVC's runtime brings a _load_config_used of its
// own, so an MSVC build sets the flag with /DEPENDENTLOADFLAG instead, and
// only MinGW builds compile this file. Their linker does not point the data
// directory at it, so it has a section of its own, which the build's
// pe_load_config enters there after linking.
#include <windows.h>

// Fields in order up to DependentLoadFlags, which older SDK headers still call
// Reserved1; the rest, as many as the header has, are zero (the build lets
// them go unnamed), as the loader expects of a program without security
// cookie, SafeSEH table or control-flow guard.
extern "C" __attribute__((section(".loadcfg")))
const IMAGE_LOAD_CONFIG_DIRECTORY _load_config_used = {
    sizeof(IMAGE_LOAD_CONFIG_DIRECTORY), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    LOAD_LIBRARY_SEARCH_SYSTEM32};
