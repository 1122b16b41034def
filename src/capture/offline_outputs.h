// The output each offline mode writes to, opened (and checked) before the
// run. Linux has them all; the browser build keeps the ones that write no
// file (the benchmark and the frame hash).
#pragma once

#include <memory>
#include <string>

#include "capture/capture_mode.h"
#include "capture/capture_output.h"

// The benchmark keeps nothing.
class DiscardOutput final : public CaptureOutput {
 public:
  bool writeFrame(const BgraView&, const FrameInfo&) override { return true; }
  bool writeAudio(const std::int16_t*, std::size_t) override { return true; }
  bool finish() override { return true; }
  std::string error() const override { return {}; }
  std::string describe() const override { return "nowhere"; }
};

// The presentation's screen; the device hands out pictures of a whole
// multiple of it.
constexpr int kScreenWidth = 640;
constexpr int kScreenHeight = 480;

// `scale`: the picture scale the device renders the run at. Null with
// `error` set when the output cannot be written.
std::unique_ptr<CaptureOutput> openOfflineOutput(const OfflineRequest& request, int fps, int scale, std::string& error);
