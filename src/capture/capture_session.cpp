#include "capture/capture_session.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "capture/frame_timing.h"
#include "platform/os/win32.h"

namespace {

using Clock = std::chrono::steady_clock;

// The presentation asks for its quit once the position passes order 5, row 16.
constexpr int kPresentationEnd = 0x510;
// Sample frames of the fade to silence at the end of every capture (10 ms).
constexpr std::size_t kFadeFrames = kCaptureSampleRate / 100;

std::string positionText(int position) {
  char text[16];
  std::snprintf(text, sizeof text, "%d:%02d", position >> 8, position & 0xFF);
  return text;
}

}  // namespace

CaptureSession::CaptureSession(CaptureOutput& output, VirtualClock& clock, const CaptureProbes& probes,
                               const CaptureSettings& settings, ProgressBar* progress)
    : output_(output),
      clock_(clock),
      probes_(probes),
      settings_(settings),
      progress_(progress),
      runStart_(Clock::now()),
      lastPresent_(runStart_),
      lastPresentCpu_(processCpuTime()) {
  settings_.fps = std::clamp(settings_.fps, kMinCaptureFps, kMaxCaptureFps);
  // The longest frame's sound: ceil(44100 / fps) sample frames, stereo.
  sound_.resize(static_cast<std::size_t>(2 * (kCaptureSampleRate / settings_.fps + 1)));
  clock_.set(frameTimeMs(0, settings_.fps));
}

std::chrono::nanoseconds processCpuTime() {
  timespec time{};
  if (clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &time) != 0) return std::chrono::nanoseconds{0};
  return std::chrono::seconds(time.tv_sec) + std::chrono::nanoseconds(time.tv_nsec);
}

void CaptureSession::markRunStart() {
  if (frames_ != 0) return;
  runStart_ = lastPresent_ = Clock::now();
  lastPresentCpu_ = processCpuTime();
}

bool CaptureSession::handOverSound(std::size_t frames) {
  heldSound_.insert(heldSound_.end(), sound_.begin(), sound_.begin() + 2 * frames);
  const std::size_t held = heldSound_.size() / 2;
  if (held <= kFadeFrames) return true;
  const std::size_t ready = held - kFadeFrames;
  const bool written = output_.writeAudio(heldSound_.data(), ready);
  heldSound_.erase(heldSound_.begin(), heldSound_.begin() + 2 * ready);
  return written;
}

bool CaptureSession::finishSound() {
  // A linear fade that reaches 0 on the last sample frame.
  const std::size_t held = heldSound_.size() / 2;
  for (std::size_t i = 0; i < held; ++i) {
    const std::size_t remaining = held - 1 - i;
    for (int channel = 0; channel < 2; ++channel) {
      std::int16_t& sample = heldSound_[2 * i + channel];
      sample = static_cast<std::int16_t>(sample * static_cast<std::int64_t>(remaining) / static_cast<std::int64_t>(held));
    }
  }
  const bool written = held == 0 || output_.writeAudio(heldSound_.data(), held);
  heldSound_.clear();
  if (!written) {
    // The run is over: no quit message to post, only the outcome to correct.
    stop_ = CaptureStop::kOutputFailed;
    note_ = "the capture failed: " + output_.error();
  }
  return written;
}

int CaptureSession::position() const {
  const int order = probes_.order != nullptr ? probes_.order() : 0;
  const int row = probes_.row != nullptr ? probes_.row() : 0;
  return order * 256 + row;
}

void CaptureSession::stop(CaptureStop reason, std::string note) {
  if (stop_ != CaptureStop::kNone) return;
  stop_ = reason;
  note_ = std::move(note);
  // Taken by the main loop at the start of its next pass, before it draws.
  PostQuitMessage(0);
}

bool CaptureSession::presentFrame(const std::uint32_t* pixels, int width, int height, int pitch) {
  // A pass that runs before the quit message is taken adds nothing.
  if (stop_ != CaptureStop::kNone) return true;

  FrameInfo info;
  info.index = frames_;
  info.timeMs = clock_.now();
  const int before = position();
  info.order = before >> 8;
  info.row = before & 0xFF;
  info.timelineEntry = probes_.timelineEntry != nullptr ? probes_.timelineEntry() : 0;

  const auto frameStart = Clock::now();
  const BgraView view{reinterpret_cast<const std::uint8_t*>(pixels), width, height, pitch};
  if (!output_.writeFrame(view, info)) {
    stop(CaptureStop::kOutputFailed, "the capture failed: " + output_.error());
    return true;
  }
  const auto soundStart = Clock::now();

  // This frame's sound, from the absolute frame index. Once the music has
  // ended the rest is silence, so sound and picture stay the same length.
  const int wanted = static_cast<int>(samplesBeforeFrame(frames_ + 1, settings_.fps) - samplesWritten_);
  int rendered = probes_.renderSound != nullptr ? probes_.renderSound(wanted, sound_.data()) : 0;
  rendered = std::clamp(rendered, 0, wanted);
  std::fill(sound_.begin() + 2 * rendered, sound_.begin() + 2 * wanted, std::int16_t{0});
  const auto soundEnd = Clock::now();
  const bool soundWritten = handOverSound(static_cast<std::size_t>(wanted));
  const auto presentEnd = Clock::now();
  soundTime_ += soundEnd - soundStart;
  outputTime_ += (soundStart - frameStart) + (presentEnd - soundEnd);
  const auto presentEndCpu = processCpuTime();
  records_.push_back({info.timelineEntry, presentEnd - lastPresent_, presentEndCpu - lastPresentCpu_});
  lastPresent_ = presentEnd;
  lastPresentCpu_ = presentEndCpu;
  if (!soundWritten) {
    stop(CaptureStop::kOutputFailed, "the capture failed: " + output_.error());
    return true;
  }
  samplesWritten_ += wanted;
  ++frames_;
  clock_.set(frameTimeMs(frames_, settings_.fps));

  const int after = position();
  // Once the position has passed the end, the presentation quits by itself
  // and whatever the music does afterwards is no early end.
  passedEnd_ = passedEnd_ || before > kPresentationEnd || after > kPresentationEnd;
  longestPattern_ = std::max(longestPattern_, (info.row / 64 + 1) * 64);
  if (!passedEnd_ && rendered < wanted) {
    stop(CaptureStop::kSongEnded, "the music ended at " + positionText(before) +
                                      ", before the presentation's end at 5:16; the capture ends there");
  } else if (!passedEnd_ && after < before) {
    stop(CaptureStop::kSongLooped, "the music went back from " + positionText(before) + " to " + positionText(after) +
                                       " before the presentation's end at 5:16 (it ends or loops there); "
                                       "the capture ends there");
  } else if (settings_.frameLimit > 0 && frames_ >= settings_.frameLimit) {
    stop(CaptureStop::kFrameLimit, "stopped at the time limit after " + std::to_string(frames_) + " frames");
  } else if (probes_.interrupted != nullptr && probes_.interrupted()) {
    stop(CaptureStop::kInterrupted, "interrupted; the capture so far is kept");
  }

  if (progress_ != nullptr) {
    ProgressState state;
    state.frames = frames_;
    state.order = after >> 8;
    state.row = after & 0xFF;
    state.musicSeconds = static_cast<double>(frames_) / settings_.fps;
    state.elapsedSeconds = std::chrono::duration<double>(presentEnd - runStart_).count();
    state.fractionDone = fractionAtPosition(state.order, state.row, longestPattern_);
    if (settings_.frameLimit > 0) {
      state.fractionDone =
          std::max(state.fractionDone, static_cast<double>(frames_) / static_cast<double>(settings_.frameLimit));
    }
    progress_->update(state);
  }
  return true;
}
