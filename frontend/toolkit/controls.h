// The element kinds of the layouts beyond the plain window, image and text.
// The same header for every backend: Win32 on Windows, Qt 6 elsewhere.
#pragma once

#if defined(_WIN32)
#include "frontend/toolkit/win32/controls.h"
#else
#include "frontend/toolkit/qt/controls.h"
#endif
