// The offline outputs of the browser build: the ones that write no file.
#include "capture/frame_hash_output.h"
#include "capture/offline_outputs.h"

std::unique_ptr<CaptureOutput> openOfflineOutput(const OfflineRequest& request, int fps, int /*scale*/,
                                                 std::string& error) {
  switch (request.mode) {
    case OfflineMode::kBench:
      return std::make_unique<DiscardOutput>();
    case OfflineMode::kFrameHash:
      return std::make_unique<FrameHashOutput>(fps);
    case OfflineMode::kCapture:
    case OfflineMode::kContactSheet:
      break;
  }
  error = "a page cannot write files: in the browser only --bench and --frame-hash run offline";
  return nullptr;
}
