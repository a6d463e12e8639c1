// GNU-specific (libstdc++), kept to this file: the library's default
// terminate handler prints the exception's demangled type to stderr, which
// a GUI program does not have, and brings the whole C++ demangler (about
// 46 KB) into the program. Defining the handler here keeps the library's
// copy out; std::terminate still ends the program the same way.
#include <cstdlib>
#include <exception>

namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
