// What a drag carries and where it is, as the backend delivers it.
// The same header for every backend: Win32 on Windows, Qt 6 elsewhere.
#pragma once

#if defined(_WIN32)
#include "frontend/toolkit/win32/drag_data.h"
#else
#include "frontend/toolkit/qt/drag_data.h"
#endif
