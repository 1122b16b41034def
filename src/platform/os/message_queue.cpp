// The process's one message queue. Window-system events are turned into
// messages whenever the queue is looked at, so PeekMessageA never waits and
// GetMessageA waits only when the queue is empty.
#include <algorithm>
#include <deque>

#include "platform/os/os_internal.h"
#include "platform/os/window_system.h"

namespace {

std::deque<MSG>& queue() {
  static std::deque<MSG> messages;
  return messages;
}

void pump() {
  HWND target = os_detail::firstLiveWindow();
  os_detail::deliverTerminationRequest(target);
  os_detail::pumpDisplayEvents(target);
}

void enqueue(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  MSG msg{};
  msg.hwnd = window;
  msg.message = message;
  msg.wParam = wParam;
  msg.lParam = lParam;
  msg.time = GetTickCount();
  queue().push_back(msg);
}

}  // namespace

namespace os_detail {

void clearMessageQueue() { queue().clear(); }

void dropMessagesFor(HWND window) {
  auto& messages = queue();
  messages.erase(std::remove_if(messages.begin(), messages.end(),
                                [window](const MSG& msg) { return msg.hwnd == window && msg.message != WM_QUIT; }),
                 messages.end());
}

}  // namespace os_detail

BOOL PeekMessageA(MSG* msg, HWND /*window*/, UINT /*filterMin*/, UINT /*filterMax*/, UINT removeFlags) {
  pump();
  // Paused, the main loop waits here: nothing is drawn until the player
  // resumes or a message (Escape, closing the window) arrives.
  while (playbackPaused() && queue().empty() && os_detail::firstLiveWindow() != nullptr) {
    os_detail::waitForDisplayEvent(10);
    pump();
  }
  if (queue().empty()) return FALSE;
  if (msg != nullptr) *msg = queue().front();
  if (removeFlags & PM_REMOVE) queue().pop_front();
  return TRUE;
}

BOOL GetMessageA(MSG* msg, HWND /*window*/, UINT /*filterMin*/, UINT /*filterMax*/) {
  pump();
  while (queue().empty()) {
    os_detail::waitForDisplayEvent(10);
    pump();
  }
  const MSG taken = queue().front();
  queue().pop_front();
  if (msg != nullptr) *msg = taken;
  return taken.message == WM_QUIT ? FALSE : TRUE;
}

BOOL TranslateMessage(const MSG* msg) { return msg != nullptr && msg->message == WM_KEYDOWN ? TRUE : FALSE; }

LRESULT DispatchMessageA(const MSG* msg) {
  if (msg == nullptr || msg->message == WM_QUIT) return 0;
  return SendMessageA(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // A destroyed window takes no more messages, except that a quit request
  // addressed to it still reaches the loop.
  if (window != nullptr && !IsWindow(window) && message != WM_QUIT) return FALSE;
  enqueue(window, message, wParam, lParam);
  return TRUE;
}

void PostQuitMessage(int exitCode) { enqueue(nullptr, WM_QUIT, static_cast<WPARAM>(exitCode), 0); }
