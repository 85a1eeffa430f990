#include "app/product.h"

// The shipped program never sets this; the update's end-to-end test builds a copy of the
// program that calls itself the next release.
#ifdef VELTRANE_TEST_VERSION_TEXT
const wchar_t kVersionText[] = VELTRANE_TEST_VERSION_TEXT;
#else
const wchar_t kVersionText[] = L"2.10.1";
#endif
