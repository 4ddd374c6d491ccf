#include "ui/win32/program.h"

#include <objbase.h>

namespace qs::win32 {
namespace {

// COM for the one user-interface thread, apartment-threaded, for the life of the program.
class ComApartment {
 public:
  ComApartment() : ok_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComApartment() {
    if (ok_) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool ok_;
};

}  // namespace

int RunInstaller(HINSTANCE instance, int /*showCommand*/) {
  ComApartment com;
  // TODO(issue 7): application and wizard form once the toolkit model is in place.
  (void)instance;
  MessageBoxA(nullptr, "Quillset Version 2.0", "Installation", MB_OK);
  return 0;
}

}  // namespace qs::win32
