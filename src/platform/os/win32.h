// The Win32 subset the presentation's shell uses, declared the Windows way
// and provided over SDL2 (or with no display at all).
//
// One message queue serves the process. Window-system events become window
// messages in it: a key press is WM_KEYDOWN with the virtual key code, the
// window's close button (and, while termination_signals.h watches them,
// SIGINT, SIGTERM and SIGHUP) is WM_CLOSE. DefWindowProcA answers WM_CLOSE by destroying the
// window, and destroying the presentation's last window posts WM_QUIT
// (wParam 0): however the window goes, the main loop takes the quit message
// and runs its shutdown.
//
// Message filters (window, first, last) are accepted but not applied: the
// presentation always reads every message. Main thread only.
#pragma once

#include <cstdint>

#include "platform/win32_types.h"

struct HINSTANCE__;
struct HICON__;
struct HCURSOR__;
struct HBRUSH__;
struct HMENU__;
using HINSTANCE = HINSTANCE__*;
using HICON = HICON__*;
using HCURSOR = HCURSOR__*;
using HBRUSH = HBRUSH__*;
using HMENU = HMENU__*;
using LPCSTR = const char*;
using LPVOID = void*;
using ATOM = WORD;

using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);

struct WNDCLASSEXA {
  UINT cbSize;  // must be sizeof(WNDCLASSEXA) (48 bytes on 32-bit Windows)
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;
  HBRUSH hbrBackground;
  LPCSTR lpszMenuName;
  LPCSTR lpszClassName;
  HICON hIconSm;
};

struct POINT {
  LONG x;
  LONG y;
};

struct MSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
  POINT pt;
};

// Integer resource identifiers travel in string pointers.
#define MAKEINTRESOURCEA(id) (reinterpret_cast<LPCSTR>(static_cast<std::uintptr_t>(static_cast<WORD>(id))))
#define IDC_ARROW MAKEINTRESOURCEA(32512)

constexpr UINT CS_DBLCLKS = 0x0008;

constexpr DWORD WS_VISIBLE = 0x10000000;
constexpr DWORD WS_CAPTION = 0x00C00000;
constexpr DWORD WS_SYSMENU = 0x00080000;
constexpr DWORD WS_MINIMIZEBOX = 0x00020000;
constexpr int CW_USEDEFAULT = static_cast<int>(0x80000000u);

constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOWDEFAULT = 10;

constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;

constexpr UINT MB_OK = 0x00000000;
constexpr int IDOK = 1;

constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_SETCURSOR = 0x0020;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;

constexpr WPARAM VK_BACK = 0x08;
constexpr WPARAM VK_TAB = 0x09;
constexpr WPARAM VK_RETURN = 0x0D;
constexpr WPARAM VK_ESCAPE = 0x1B;
constexpr WPARAM VK_SPACE = 0x20;
constexpr WPARAM VK_LEFT = 0x25;
constexpr WPARAM VK_UP = 0x26;
constexpr WPARAM VK_RIGHT = 0x27;
constexpr WPARAM VK_DOWN = 0x28;
constexpr WPARAM VK_F1 = 0x70;

// Window classes and windows.
ATOM RegisterClassExA(const WNDCLASSEXA* windowClass);  // 0 on failure
HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param);
BOOL ShowWindow(HWND window, int showCommand);
BOOL UpdateWindow(HWND window);
// Sends WM_DESTROY, closes the display window and, for the last window,
// posts WM_QUIT. FALSE for a window that is already gone.
BOOL DestroyWindow(HWND window);
BOOL IsWindow(HWND window);
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
HINSTANCE GetModuleHandleA(LPCSTR moduleName);

// The message queue.
BOOL PeekMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags);
// Waits for a message; 0 for WM_QUIT, otherwise nonzero.
BOOL GetMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax);
// Character messages are not used by the presentation: nothing to translate.
BOOL TranslateMessage(const MSG* msg);
// Calls the window procedure of the message's window; 0 when it has none.
LRESULT DispatchMessageA(const MSG* msg);
// Queues a message for a live window (or for the thread when window is null).
BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);
// Calls the window procedure at once, bypassing the queue.
LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Modal box with an OK button; see platform/os/message_box.h for where it goes.
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

// Cursors and icons. A null cursor hides the pointer over the window.
HCURSOR SetCursor(HCURSOR cursor);
HICON LoadIconA(HINSTANCE instance, LPCSTR name);
HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name);

// One millisecond clock, 32-bit and wrapping (see platform/os/clock.h).
DWORD GetTickCount();
DWORD timeGetTime();
