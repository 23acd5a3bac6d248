// SHostWnd: the native top-level window built from a layout.
// The same header for every backend: Win32 on Windows, Qt 6 elsewhere.
#pragma once

#if defined(_WIN32)
#include "frontend/toolkit/win32/host_wnd.h"
#else
#include "frontend/toolkit/qt/host_wnd.h"
#endif
