// The handler std::terminate calls when an error escapes everything, for the product only.
// The library's own handler names the error's type by demangling it, for a console that a
// window program does not have; its demangler alone is some 50 KB of the product.
#include <cstdio>
#include <cstdlib>
#include <exception>

namespace __gnu_cxx {

void __verbose_terminate_handler() {
  std::fputs("Kestrum: terminate called\n", stderr);
  std::abort();
}

}  // namespace __gnu_cxx
