// Skins: how an element's background is drawn from an image of the package.
// The same header for every backend: Win32 on Windows, Qt 6 elsewhere.
#pragma once

#if defined(_WIN32)
#include "frontend/toolkit/win32/skin.h"
#else
#include "frontend/toolkit/qt/skin.h"
#endif
