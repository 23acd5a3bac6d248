// Resource providers: where layouts, definitions and images come from.
// The same header for every backend: Win32 on Windows, Qt 6 elsewhere.
#pragma once

#if defined(_WIN32)
#include "frontend/toolkit/win32/res_provider.h"
#else
#include "frontend/toolkit/qt/res_provider.h"
#endif
