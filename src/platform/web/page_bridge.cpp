#include "platform/web/page_bridge.h"

#include <emscripten.h>

// The page keeps its half in `Module.glassPage` (page.js). Pointers into the
// program's memory are read there while the call waits, so they stay valid.
namespace page {

void showPicture(const std::uint8_t* rgba, int width, int height) {
  MAIN_THREAD_EM_ASM(
      {
        var bytes = new Uint8ClampedArray(wasmMemory.buffer, $0, $1 * $2 * 4).slice();
        Module.glassPage.showPicture(bytes, $1, $2);
      },
      rgba, width, height);
}

int takeKeyEvent() {
  return MAIN_THREAD_EM_ASM_INT({ return Module.glassPage.takeKeyEvent(); });
}

void setTitle(const std::string& title) {
  MAIN_THREAD_EM_ASM({ Module.glassPage.setTitle(UTF8ToString($0)); }, title.c_str());
}

void showMessageBox(const std::string& caption, const std::string& text) {
  MAIN_THREAD_EM_ASM({ Module.glassPage.showMessageBox(UTF8ToString($0), UTF8ToString($1)); }, caption.c_str(),
                     text.c_str());
}

void setPointerVisible(bool visible) {
  MAIN_THREAD_EM_ASM({ Module.glassPage.setPointerVisible($0 != 0); }, visible ? 1 : 0);
}

void toggleFullscreen() {
  MAIN_THREAD_EM_ASM({ Module.glassPage.toggleFullscreen(); });
}

bool fullscreen() { return MAIN_THREAD_EM_ASM_INT({ return Module.glassPage.fullscreen() ? 1 : 0; }) != 0; }

void roomInDevicePixels(int& width, int& height) {
  width = MAIN_THREAD_EM_ASM_INT({ return Module.glassPage.roomInDevicePixels()[0]; });
  height = MAIN_THREAD_EM_ASM_INT({ return Module.glassPage.roomInDevicePixels()[1]; });
}

int resizeCount() { return MAIN_THREAD_EM_ASM_INT({ return Module.glassPage.resizeCount(); }); }

double nowMs() { return emscripten_get_now(); }

}  // namespace page
