// The window-message vocabulary the controller speaks: message numbers, command ids and
// results with the values the Win32 window system gives them, so that the
// controller's message table reads the same on every platform.
#pragma once

#include <cstdint>

namespace qv::ui {

using UINT = uint32_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using SWND = uint32_t;  // handle of an element inside its host window (0: none)

inline constexpr UINT WM_CLOSE = 0x0010;
inline constexpr UINT WM_QUIT = 0x0012;
inline constexpr UINT WM_SHOWWINDOW = 0x0018;
inline constexpr UINT WM_INITDIALOG = 0x0110;
inline constexpr UINT WM_SYSCOMMAND = 0x0112;
inline constexpr UINT WM_TIMER = 0x0113;
inline constexpr WPARAM SC_MINIMIZE = 0xF020;
inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr uint32_t AW_CENTER = 0x10;

// The command event a named control raises when it is clicked.
inline constexpr int EVT_CMD = 10000;

// Results of the drop-target operations.
inline constexpr long S_OK = 0;
inline constexpr long S_FALSE = 1;
inline constexpr uint32_t DROPEFFECT_NONE = 0;
inline constexpr uint32_t DROPEFFECT_COPY = 1;
inline constexpr uint32_t DROPEFFECT_MOVE = 2;
inline constexpr uint32_t DROPEFFECT_LINK = 4;

}  // namespace qv::ui
