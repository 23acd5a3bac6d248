// SListCtrl: a list of rows with text cells.
// The same header for every backend: Win32 on Windows, Qt 6 elsewhere.
#pragma once

#if defined(_WIN32)
#include "frontend/toolkit/win32/list_ctrl.h"
#else
#include "frontend/toolkit/qt/list_ctrl.h"
#endif
