// SWindow: one element of a layout tree.
// The same header for every backend: Win32 on Windows, Qt 6 elsewhere.
#pragma once

#if defined(_WIN32)
#include "frontend/toolkit/win32/swindow.h"
#else
#include "frontend/toolkit/qt/swindow.h"
#endif
