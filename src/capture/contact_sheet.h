// A contact sheet: one PNG with a grid of small frames from across the
// presentation, each labelled with its timeline entry, music position and
// time ("#4 2:48 47.3s"), and a legend line under the grid, for the README
// and for reviews. The presentation fades to black several times; each such
// dark stretch gets one tile, labelled with the span it covers.
#pragma once

#include <memory>
#include <optional>

#include "capture/bitmap_font.h"
#include "capture/capture_output.h"
#include "platform/os/output_stream.h"

// Box-filters `frame` down to width x height (each target pixel the rounded
// mean of the source pixels its area covers). Alpha becomes opaque.
Canvas scaleDown(const BgraView& frame, int width, int height);

// The grid itself: thumbnails in reading order, a label strip under each,
// and the legend (when set) under the grid.
class ContactSheet {
 public:
  ContactSheet(int columns, int thumbWidth, int thumbHeight);
  void add(Canvas thumbnail, std::string label);
  void relabelLast(std::string label);
  void setLegend(std::vector<std::string> lines) { legend_ = std::move(lines); }
  const std::string& label(std::size_t index) const { return labels_[index]; }
  const std::vector<std::string>& labels() const { return labels_; }
  std::size_t size() const { return thumbnails_.size(); }
  // The finished sheet; an empty grid gives one blank cell.
  Canvas compose() const;

 private:
  int columns_;
  int thumbWidth_;
  int thumbHeight_;
  std::vector<Canvas> thumbnails_;
  std::vector<std::string> labels_;
  std::vector<std::string> legend_;
};

// True for a thumbnail that is black or nearly so: at most 1 % of its pixels
// have a channel brighter than 32 of 255.
bool isNearlyBlack(const Canvas& thumbnail);

// The legend under a sheet with these tile labels: what a label says, told
// with one of the sheet's own labels, and the span of its first dark stretch.
std::vector<std::string> contactSheetLegend(const std::vector<std::string>& labels);

// Label for a frame: "#<entry> <order>:<row, two digits> <seconds>s".
std::string contactLabel(const FrameInfo& info);
// Label for a dark stretch from `first` to `lastMs`: "#5 2:82 40.6-46.7s".
std::string darkStretchLabel(const FrameInfo& first, std::uint32_t lastMs);

// Picks the frames of a run for the sheet: the first and the last frame of
// every timeline entry, and in between one frame every `intervalMs` of
// presentation time. Consecutive nearly black tiles are kept as the first
// of them, relabelled with the stretch's span. Sound is ignored. open()
// takes the file before the run (a FIFO's reader, the output's lock);
// finish() writes the PNG into it.
class ContactSheetOutput final : public CaptureOutput {
 public:
  ContactSheetOutput(std::string path, std::uint32_t intervalMs, int columns = 6, int thumbWidth = 160,
                     int thumbHeight = 120);

  // Opens the sheet's file; finish() opens it when this was not called.
  bool open(std::string& error);
  bool writeFrame(const BgraView& frame, const FrameInfo& info) override;
  bool writeAudio(const std::int16_t*, std::size_t) override { return true; }
  bool finish() override;
  std::string error() const override { return error_; }
  std::string describe() const override;

  const ContactSheet& sheet() const { return sheet_; }

 private:
  // A frame that may still go on the sheet, kept whole: copying it is far
  // cheaper than making a thumbnail of every frame.
  struct Held {
    std::vector<std::uint8_t> bytes;  // packed rows
    int width = 0;
    int height = 0;
    FrameInfo info;
  };

  void addToSheet(const BgraView& frame, const FrameInfo& info);
  void addHeld();

  std::string path_;
  OutputStream file_;
  std::uint32_t intervalMs_;
  int thumbWidth_;
  int thumbHeight_;
  ContactSheet sheet_;
  int currentEntry_ = -1;
  std::uint32_t lastKeptMs_ = 0;
  std::optional<Held> lastOfEntry_;  // the newest frame not yet on the sheet
  std::optional<FrameInfo> darkStretch_;  // the first frame of the dark tile ending the sheet
  bool finished_ = false;
  std::string error_;
};
