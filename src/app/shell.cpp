#include "app/shell.h"

#include <cstdio>
#include <utility>

#include "app/timeline.h"
#include "assets/file_loading.h"
#include "assets/presentation_setup.h"
#include "render/device.h"

namespace {

constexpr float kRequiredFmodVersion = 3.33f;
constexpr const char* kClassName = "GLASS ORCHARD";
constexpr const char* kWindowTitle = "GLASS ORCHARD";
constexpr DWORD kWindowStyle = WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

ShellCallouts realCallouts() {
  return {loadAllFiles, setUpDevice, setUpPresentation, beginFrame, timelineStep, endFrame, releaseDevice};
}

std::function<void()>& passHook() {
  static std::function<void()> hook;
  return hook;
}

void showFmodError() { MessageBoxA(nullptr, fmodErrorText(FSOUND_GetError()), "FMOD error", MB_OK); }

// Music position: order in bits 8 and up, row in bits 0 to 7. Order is read
// first, then the row of that same moment.
std::int32_t musicPosition(FMUSIC_MODULE* song) {
  const int order = FMUSIC_GetOrder(song);
  const int row = FMUSIC_GetRow(song);
  return static_cast<std::int32_t>((static_cast<std::uint32_t>(order) << 8) | static_cast<std::uint32_t>(row));
}

void runMainLoop() {
  ShellState& shell = shellState;
  const ShellCallouts& call = shellCallouts();
  while (!shell.escapePressed) {
    if (passHook()) passHook()();
    // At most one message per pass; drawing never waits for messages.
    MSG msg;
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
      if (!GetMessageA(&shell.lastMessage, nullptr, 0, 0)) break;
      TranslateMessage(&shell.lastMessage);
      DispatchMessageA(&shell.lastMessage);
    }
    if (call.beginFrame() < 0) DestroyWindow(shell.window);
    call.timelineStep(shell.window, musicPosition(shell.song));
    if (call.endFrame() < 0) DestroyWindow(shell.window);
  }
}

}  // namespace

ShellState shellState;

ShellCallouts& shellCallouts() {
  static ShellCallouts callouts = realCallouts();
  return callouts;
}

const char* fmodErrorText(int code) {
  static const char* const kTexts[] = {
      "No errors",
      "Cannot call this command after FSOUND_Init.  Call FSOUND_Close first.",
      "This command failed because FSOUND_Init was not called",
      "Error initializing output device.",
      "The output device is already in use and cannot be reused.",
      "Playing the sound failed.",
      "Soundcard does not support the features needed for this soundsystem (16bit stereo output)",
      "Error setting cooperative level for hardware.",
      "Error creating hardware sound buffer.",
      "File not found",
      "Unknown file format",
      "Error loading file",
      "Not enough memory ",
      "The version number of this file format is not supported",
      "An invalid parameter was passed to this function",
      "Tried to use an EAX command on a non EAX enabled channel or output.",
      "Tried to use an advanced EAX2 command on a non EAX2 enabled channel or output.",
      "Failed to allocate a new channel",
      "Recording not supported on this device",
      "Required Mediaplayer codec is not installed",
  };
  constexpr unsigned kCount = sizeof(kTexts) / sizeof(kTexts[0]);
  const auto index = static_cast<unsigned>(code);  // negative codes fall past the table
  return index < kCount ? kTexts[index] : "Unknown error";
}

LRESULT windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SETCURSOR) {
    SetCursor(nullptr);
    return TRUE;
  }
  if (message == WM_KEYDOWN && wParam == VK_ESCAPE) shellState.escapePressed = true;
  return DefWindowProcA(window, message, wParam, lParam);
}

int runPresentation(HINSTANCE instance, int showCommand) {
  ShellState& shell = shellState;
  const ShellCallouts& call = shellCallouts();

  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof(WNDCLASSEXA);
  windowClass.style = CS_DBLCLKS;
  windowClass.lpfnWndProc = windowProcedure;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(nullptr, nullptr);
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.lpszClassName = kClassName;
  if (!RegisterClassExA(&windowClass)) return 0;

  // Height 0: the full-screen device covers the display.
  shell.window = CreateWindowExA(0, kClassName, kWindowTitle, kWindowStyle, CW_USEDEFAULT, 0, 640, 0, nullptr,
                                 nullptr, instance, nullptr);
  ShowWindow(shell.window, showCommand);
  UpdateWindow(shell.window);

  // Also refuses a version that cannot be compared at all.
  if (!(FSOUND_GetVersion() >= kRequiredFmodVersion)) {
    char text[32];
    std::snprintf(text, sizeof text, "FMOD %.02f\n", static_cast<double>(kRequiredFmodVersion));
    MessageBoxA(nullptr, text, "FMOD error.", MB_OK);
    return 0;
  }
  if (!FSOUND_Init(44100, 32, 2)) {
    showFmodError();
    return 0;
  }
  shell.song = FMUSIC_LoadSong("track.xm");
  if (shell.song == nullptr) {
    showFmodError();
    return 0;
  }
  if (call.loadAllFiles() != 1) {
    MessageBoxA(nullptr, "Files not loaded. Not enough memory. Pkunzip -d ?", "Semmosta sattuu", MB_OK);
    return 0;
  }
  if (call.setUpDevice(shell.window) < 0) {
    MessageBoxA(nullptr, "D3D init error", "Semmosta sattuu", MB_OK);
    return 0;
  }
  call.setUpPresentation();
  FMUSIC_PlaySong(shell.song);

  runMainLoop();

  FMUSIC_FreeSong(shell.song);
  FSOUND_Close();
  call.releaseDevice();
  return static_cast<int>(shell.lastMessage.wParam);
}

void setPassHook(std::function<void()> hook) { passHook() = std::move(hook); }

void resetShell() {
  shellState = ShellState{};
  shellCallouts() = realCallouts();
  passHook() = nullptr;
}
