// platform/win32/ComLayout.cpp: the COM shapes of platform/Com.h cross into the system's
// script engine as they are, so they must have the sizes and places the x64 system headers
// give them (measured from those headers; they cannot be compiled next to platform/Com.h,
// which they would rewrite with their macros).
#include <cstddef>

#include "platform/Com.h"

namespace platform {

static_assert(sizeof(OLECHAR) == 2, "OLECHAR is UTF-16");
static_assert(sizeof(LONG) == 4 && sizeof(DWORD) == 4 && sizeof(HRESULT) == 4);
static_assert(sizeof(GUID) == 16);
static_assert(sizeof(VARIANT) == 24 && offsetof(VARIANT, bstrVal) == 8);
static_assert(sizeof(DISPPARAMS) == 24);
static_assert(sizeof(EXCEPINFO) == 64 && offsetof(EXCEPINFO, bstrDescription) == 16 &&
              offsetof(EXCEPINFO, pfnDeferredFillIn) == 48 && offsetof(EXCEPINFO, scode) == 56);
static_assert(sizeof(CY) == 8);

}  // namespace platform
