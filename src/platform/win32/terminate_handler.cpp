// MinGW's C++ runtime ends an uncaught exception in a handler that prints the
// exception's demangled type to stderr; the demangler it pulls in is about
// 45 KB of the executable. A GUI program has no stderr to print to, so this
// handler, which the linker takes in place of the runtime's, only aborts, as
// the runtime's does after printing. MSVC's runtime has no such handler, so
// only MinGW builds compile this file.
#include <cstdlib>

namespace __gnu_cxx {

[[noreturn]] void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx
