// The frame sink of an offline capture. The presentation runs unchanged on
// a virtual clock and the offline sound output; each Present of frame k:
//   1. hands the frame to the output, labelled with the music position and
//      timeline entry it was drawn at;
//   2. renders the sound of frame k (see frame_timing.h) and hands it over,
//      keeping the last 10 ms back: finishSound() fades those to silence at
//      the end, so no capture ends on a click;
//   3. sets the virtual clock to frame k + 1's time,
// so that the next pass's GetTickCount, timeGetTime and music position are
// those of frame k + 1. Frame 0 is drawn at time 0 and position 0:0.
//
// The run stops (by posting the quit message, which the main loop takes
// before it draws again) when the music ends or loops back before the
// presentation's end, at the frame limit, when interrupted, or when the
// output fails; otherwise the presentation ends it as usual. Main thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "capture/capture_output.h"
#include "capture/progress_bar.h"
#include "platform/frame_sink.h"
#include "platform/os/clock.h"

enum class CaptureStop {
  kNone,  // the presentation ended by itself (or has not ended yet)
  kSongEnded,  // the music ended before the presentation's end position
  kSongLooped,  // the music jumped back before the presentation's end position
  kFrameLimit,  // --max-seconds reached
  kInterrupted,  // SIGINT or SIGTERM
  kOutputFailed,
};

// Where the session reads the music position and the timeline entry; the
// capture mode points these at the shell's song and the timeline state.
struct CaptureProbes {
  int (*order)() = nullptr;
  int (*row)() = nullptr;
  int (*timelineEntry)() = nullptr;
  // Renders sound frames like renderOfflineFrames; returns how many.
  int (*renderSound)(int frames, std::int16_t* interleavedStereo) = nullptr;
  // True once an interruption was requested (may be null).
  bool (*interrupted)() = nullptr;
};

struct CaptureSettings {
  int fps = 60;
  std::int64_t frameLimit = 0;  // 0: none
};

// One frame's record for the benchmark.
struct FrameRecord {
  int timelineEntry = 0;
  std::chrono::nanoseconds duration{0};  // wall-clock time of the frame's pass
  std::chrono::nanoseconds cpuTime{0};   // processor time of every thread of the process in it
};

// Processor time the whole process (all its threads) has used so far.
std::chrono::nanoseconds processCpuTime();

class CaptureSession final : public FrameSink {
 public:
  CaptureSession(CaptureOutput& output, VirtualClock& clock, const CaptureProbes& probes,
                 const CaptureSettings& settings, ProgressBar* progress = nullptr);

  // Marks the start of the first pass (the benchmark's frame timing).
  void markRunStart();
  bool presentFrame(const std::uint32_t* pixels, int width, int height, int pitch) override;
  // Fades the sound held back at the end to silence and hands it over; once,
  // after the last frame. False (and the run stopped as failed) when the
  // output refuses it.
  bool finishSound();

  std::int64_t framesCaptured() const { return frames_; }
  // Sample frames of the frames' sound (all handed over after finishSound).
  std::int64_t samplesWritten() const { return samplesWritten_; }
  CaptureStop stopReason() const { return stop_; }
  // A sentence for standard error about why the capture stopped early.
  const std::string& note() const { return note_; }
  std::chrono::nanoseconds soundTime() const { return soundTime_; }
  std::chrono::nanoseconds outputTime() const { return outputTime_; }
  const std::vector<FrameRecord>& frameRecords() const { return records_; }

 private:
  void stop(CaptureStop reason, std::string note);
  // Hands the output all of the sound so far but its newest 10 ms.
  bool handOverSound(std::size_t frames);
  int position() const;

  CaptureOutput& output_;
  VirtualClock& clock_;
  CaptureProbes probes_;
  CaptureSettings settings_;
  ProgressBar* progress_;
  std::vector<std::int16_t> sound_;
  std::vector<std::int16_t> heldSound_;  // the newest sound not yet handed over
  std::int64_t frames_ = 0;
  std::int64_t samplesWritten_ = 0;
  int longestPattern_ = 64;
  bool passedEnd_ = false;  // the music has been past order 5, row 16
  CaptureStop stop_ = CaptureStop::kNone;
  std::string note_;
  std::chrono::steady_clock::time_point runStart_;
  std::chrono::steady_clock::time_point lastPresent_;
  std::chrono::nanoseconds lastPresentCpu_{0};
  std::chrono::nanoseconds soundTime_{0};
  std::chrono::nanoseconds outputTime_{0};
  std::vector<FrameRecord> records_;
};
