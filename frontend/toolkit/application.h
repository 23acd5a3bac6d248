// The toolkit's application object: resource providers, translator, global definitions, message loop.
// The same header for every backend: Win32 on Windows, Qt 6 elsewhere.
#pragma once

#if defined(_WIN32)
#include "frontend/toolkit/win32/application.h"
#else
#include "frontend/toolkit/qt/application.h"
#endif
