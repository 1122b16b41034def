// Window classes and windows of the Win32 subset: the presentation registers
// one class and opens one window; the window owns the SDL window unless the
// run is headless.
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/os/os_internal.h"
#include "platform/os/window_system.h"

namespace {

struct WindowClass {
  std::string name;
  WNDPROC procedure;
};

struct Registry {
  std::vector<WindowClass> classes;
  std::vector<std::unique_ptr<HWND__>> windows;
};

Registry& registry() {
  static Registry instance;
  return instance;
}

const WindowClass* findClass(const char* name) {
  for (const WindowClass& windowClass : registry().classes) {
    if (windowClass.name == name) return &windowClass;
  }
  return nullptr;
}

bool isKnownWindow(HWND window) {
  if (window == nullptr) return false;
  for (const auto& owned : registry().windows) {
    if (owned.get() == window) return true;
  }
  return false;
}

}  // namespace

namespace os_detail {

int liveWindowCount() {
  int count = 0;
  for (const auto& window : registry().windows) count += window->alive ? 1 : 0;
  return count;
}

HWND firstLiveWindow() {
  for (const auto& window : registry().windows) {
    if (window->alive) return window.get();
  }
  return nullptr;
}

}  // namespace os_detail

ATOM RegisterClassExA(const WNDCLASSEXA* windowClass) {
  if (windowClass == nullptr || windowClass->cbSize != sizeof(WNDCLASSEXA) ||
      windowClass->lpfnWndProc == nullptr || windowClass->lpszClassName == nullptr ||
      windowClass->lpszClassName[0] == '\0' || findClass(windowClass->lpszClassName) != nullptr) {
    return 0;
  }
  registry().classes.push_back({windowClass->lpszClassName, windowClass->lpfnWndProc});
  return static_cast<ATOM>(0xC000 + registry().classes.size() - 1);
}

HWND CreateWindowExA(DWORD /*exStyle*/, LPCSTR className, LPCSTR windowName, DWORD style, int /*x*/,
                     int /*y*/, int /*width*/, int /*height*/, HWND /*parent*/, HMENU /*menu*/,
                     HINSTANCE /*instance*/, LPVOID /*param*/) {
  if (className == nullptr) return nullptr;
  const WindowClass* windowClass = findClass(className);
  if (windowClass == nullptr) return nullptr;

  auto window = std::make_unique<HWND__>();
  window->procedure = windowClass->procedure;
  window->title = windowName != nullptr ? windowName : "";
  os_detail::startEvents();
  // The size asked for is that of a Windows desktop window; here the window
  // is sized by the window options and the picture scaled into it. Only one
  // window is shown on the display.
  const bool anotherHasDisplay = [] {
    for (const auto& owned : registry().windows) {
      if (owned->alive && owned->hasDisplay) return true;
    }
    return false;
  }();
  if (!windowOptions().headless && !anotherHasDisplay) {
    window->hasDisplay = os_detail::openDisplayWindow(window->title);
  }
  HWND handle = window.get();
  registry().windows.push_back(std::move(window));
  if (style & WS_VISIBLE) ShowWindow(handle, SW_SHOWNORMAL);
  return handle;
}

BOOL ShowWindow(HWND window, int /*showCommand*/) {
  if (!IsWindow(window)) return FALSE;
  if (window->hasDisplay) os_detail::showDisplayWindow();
  return TRUE;
}

BOOL UpdateWindow(HWND window) { return IsWindow(window) ? TRUE : FALSE; }

BOOL IsWindow(HWND window) { return isKnownWindow(window) && window->alive ? TRUE : FALSE; }

BOOL DestroyWindow(HWND window) {
  if (!IsWindow(window)) return FALSE;
  SendMessageA(window, WM_DESTROY, 0, 0);
  window->alive = false;
  if (window->hasDisplay) {
    os_detail::closeDisplayWindow();
    window->hasDisplay = false;
  }
  os_detail::dropMessagesFor(window);
  // With its last window gone the presentation has nothing left to show:
  // ask the main loop to finish and shut down.
  if (os_detail::liveWindowCount() == 0) PostQuitMessage(0);
  return TRUE;
}

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM /*wParam*/, LPARAM /*lParam*/) {
  if (message == WM_CLOSE) DestroyWindow(window);
  return 0;
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!IsWindow(window) || window->procedure == nullptr) return 0;
  return window->procedure(window, message, wParam, lParam);
}

HINSTANCE GetModuleHandleA(LPCSTR /*moduleName*/) {
  static char module;
  return reinterpret_cast<HINSTANCE>(&module);
}

HCURSOR SetCursor(HCURSOR cursor) {
  static HCURSOR current = nullptr;
  HCURSOR previous = current;
  current = cursor;
  os_detail::setPointerVisible(cursor != nullptr);
  return previous;
}

HICON LoadIconA(HINSTANCE /*instance*/, LPCSTR name) {
  // The presentation asks for no icon (a null name) and gets none.
  return name == nullptr ? nullptr : reinterpret_cast<HICON>(const_cast<char*>(name));
}

HCURSOR LoadCursorA(HINSTANCE /*instance*/, LPCSTR name) {
  // The system's arrow: any non-null handle means "the pointer is shown".
  return name == nullptr ? nullptr : reinterpret_cast<HCURSOR>(const_cast<char*>(name));
}

void resetWindowSystem() {
  os_detail::resetPlayerState();
  os_detail::shutdownDisplay();
  os_detail::clearMessageQueue();
  registry().windows.clear();
  registry().classes.clear();
}

void restartWindowSystem() {
  os_detail::parkDisplayWindow();
  os_detail::clearMessageQueue();
  registry().windows.clear();
  registry().classes.clear();
}
