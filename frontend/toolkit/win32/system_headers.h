// The Windows headers the backend uses, included after the toolkit's own headers (their
// macros would rename the toolkit's SendMessage, DrawText … and its WM_ constants). The
// function-name macros that clash with the toolkit's methods are taken back here; the
// system functions are called by their W names.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <ole2.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <gdiplus.h>

#undef SendMessage
#undef PostMessage
#undef DrawText
#undef LoadImage
#undef SetWindowText
#undef GetWindowText
