// Routing of every message box of the process (see message_box.h).
#include "platform/os/message_box.h"

#include <cstdio>
#include <utility>

#include "platform/os/os_internal.h"
#include "platform/os/win32.h"
#include "platform/os/window_system.h"

namespace {

MessageBoxObserver& observer() {
  static MessageBoxObserver installed;
  return installed;
}

// Code points of bytes 0x80-0x9F in Windows-1252; 0 marks the unassigned ones.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void appendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

void writeToStandardError(const std::string& caption, const std::string& text) {
  std::fprintf(stderr, "%s: %s", caption.c_str(), text.c_str());
  if (text.empty() || text.back() != '\n') std::fputc('\n', stderr);
  std::fflush(stderr);
}

}  // namespace

void setMessageBoxObserver(MessageBoxObserver newObserver) { observer() = std::move(newObserver); }

std::string windows1252ToUtf8(const char* text) {
  std::string out;
  if (text == nullptr) return out;
  for (const char* p = text; *p != '\0'; ++p) {
    const auto byte = static_cast<unsigned char>(*p);
    char32_t code = byte;
    if (byte >= 0x80 && byte < 0xA0) {
      code = kHighControls[byte - 0x80] != 0 ? kHighControls[byte - 0x80] : 0xFFFD;
    }
    appendUtf8(out, code);
  }
  return out;
}

int MessageBoxA(HWND /*owner*/, LPCSTR text, LPCSTR caption, UINT /*type*/) {
  // Every box of the presentation is modal, ownerless and has only OK.
  const std::string utf8Text = windows1252ToUtf8(text);
  const std::string utf8Caption = windows1252ToUtf8(caption);
  if (observer()) {
    observer()(utf8Caption, utf8Text);
    return IDOK;
  }
  if (displayAvailable() && os_detail::showDisplayMessageBox(utf8Caption, utf8Text)) return IDOK;
  writeToStandardError(utf8Caption, utf8Text);
  return IDOK;
}
