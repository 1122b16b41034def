#include "capture/contact_sheet.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr std::uint32_t kBackground = 0xFF181818;
constexpr std::uint32_t kLabelColour = 0xFFE8E8E8;
constexpr int kGap = 4;
constexpr int kLabelStrip = kGlyphHeight + 4;
constexpr int kLegendLine = kGlyphHeight + 4;
constexpr std::uint32_t kLegendColour = 0xFFB0B0B0;
constexpr int kDarkChannel = 32;

}  // namespace

Canvas scaleDown(const BgraView& frame, int width, int height) {
  Canvas result(std::max(width, 0), std::max(height, 0), 0xFF000000);
  if (frame.bytes == nullptr || frame.width <= 0 || frame.height <= 0 || frame.pitch < frame.width * 4) return result;
  for (int y = 0; y < result.height; ++y) {
    const int y0 = static_cast<int>(static_cast<std::int64_t>(y) * frame.height / result.height);
    const int y1 = std::max(y0 + 1, static_cast<int>(static_cast<std::int64_t>(y + 1) * frame.height / result.height));
    for (int x = 0; x < result.width; ++x) {
      const int x0 = static_cast<int>(static_cast<std::int64_t>(x) * frame.width / result.width);
      const int x1 = std::max(x0 + 1, static_cast<int>(static_cast<std::int64_t>(x + 1) * frame.width / result.width));
      std::uint32_t sum[3] = {0, 0, 0};
      for (int sy = y0; sy < y1; ++sy) {
        const std::uint8_t* row = frame.bytes + static_cast<std::size_t>(sy) * frame.pitch;
        for (int sx = x0; sx < x1; ++sx) {
          for (int c = 0; c < 3; ++c) sum[c] += row[sx * 4 + c];
        }
      }
      const std::uint32_t count = static_cast<std::uint32_t>((y1 - y0) * (x1 - x0));
      std::uint32_t pixel = 0xFF000000;
      for (int c = 0; c < 3; ++c) pixel |= ((sum[c] + count / 2) / count) << (8 * c);
      result.pixels[static_cast<std::size_t>(y) * result.width + x] = pixel;
    }
  }
  return result;
}

ContactSheet::ContactSheet(int columns, int thumbWidth, int thumbHeight)
    : columns_(std::max(columns, 1)), thumbWidth_(std::max(thumbWidth, 1)), thumbHeight_(std::max(thumbHeight, 1)) {}

void ContactSheet::add(Canvas thumbnail, std::string label) {
  thumbnails_.push_back(std::move(thumbnail));
  labels_.push_back(std::move(label));
}

void ContactSheet::relabelLast(std::string label) {
  if (!labels_.empty()) labels_.back() = std::move(label);
}

bool isNearlyBlack(const Canvas& thumbnail) {
  std::size_t bright = 0;
  for (const std::uint32_t pixel : thumbnail.pixels) {
    const bool lit = ((pixel >> 16) & 0xFF) > kDarkChannel || ((pixel >> 8) & 0xFF) > kDarkChannel ||
                     (pixel & 0xFF) > kDarkChannel;
    bright += lit ? 1 : 0;
  }
  return bright * 100 <= thumbnail.pixels.size();
}

std::vector<std::string> contactSheetLegend(const std::vector<std::string>& labels) {
  // The examples are labels of this sheet: the frame in the middle of the
  // sheet, and the first dark stretch after the opening fade.
  std::vector<std::string> frames;
  std::string dark;
  std::string openingDark;
  for (const std::string& label : labels) {
    const bool span = label.find('-') != std::string::npos;
    const bool opening = label.rfind("#0 ", 0) == 0;
    if (span && opening && openingDark.empty()) openingDark = label;
    if (span && !opening && dark.empty()) dark = label;
    if (!span && !opening) frames.push_back(label);
  }
  if (dark.empty()) dark = openingDark;
  const std::string frame = frames.empty() ? std::string() : frames[frames.size() / 2];
  std::string first = "LABELS: #TIMELINE ENTRY, MUSIC ORDER:ROW, PRESENTATION TIME.";
  unsigned entry = 0, order = 0, row = 0, seconds = 0, tenths = 0;
  if (std::sscanf(frame.c_str(), "#%u %u:%u %u.%us", &entry, &order, &row, &seconds, &tenths) == 5) {
    char example[128];
    std::snprintf(example, sizeof example, "  %s = ENTRY %u, ORDER %u ROW %u, %u.%u s IN.", frame.c_str(), entry, order,
                  row, seconds, tenths);
    first += example;
  }
  std::string second = "FIRST AND LAST FRAME OF EVERY ENTRY, AND REGULAR FRAMES BETWEEN. A DARK STRETCH IS SHOWN ONCE WITH ITS SPAN";
  const std::size_t spanStart = dark.rfind(' ');
  second += spanStart != std::string::npos ? " (" + dark.substr(spanStart + 1) + ")." : ".";
  return {first, second};
}

Canvas ContactSheet::compose() const {
  const int cells = std::max<int>(static_cast<int>(thumbnails_.size()), 1);
  const int columns = std::min(columns_, cells);
  const int rows = (cells + columns - 1) / columns;
  const int cellWidth = thumbWidth_ + kGap;
  const int cellHeight = thumbHeight_ + kLabelStrip + kGap;
  const int legendHeight = static_cast<int>(legend_.size()) * kLegendLine;
  Canvas sheet(columns * cellWidth + kGap, rows * cellHeight + kGap + legendHeight, kBackground);
  for (std::size_t i = 0; i < thumbnails_.size(); ++i) {
    const int left = kGap + static_cast<int>(i % columns) * cellWidth;
    const int top = kGap + static_cast<int>(i / columns) * cellHeight;
    const Canvas& thumbnail = thumbnails_[i];
    const int copyWidth = std::min(thumbnail.width, thumbWidth_);
    const int copyHeight = std::min(thumbnail.height, thumbHeight_);
    for (int y = 0; y < copyHeight; ++y) {
      std::copy_n(&thumbnail.pixels[static_cast<std::size_t>(y) * thumbnail.width], copyWidth,
                  &sheet.pixels[static_cast<std::size_t>(top + y) * sheet.width + left]);
    }
    drawText(sheet, left + 1, top + thumbHeight_ + 2, labels_[i], kLabelColour);
  }
  for (std::size_t line = 0; line < legend_.size(); ++line) {
    drawText(sheet, kGap + 1, rows * cellHeight + kGap + static_cast<int>(line) * kLegendLine, legend_[line],
             kLegendColour);
  }
  return sheet;
}

std::string contactLabel(const FrameInfo& info) {
  char label[64];
  std::snprintf(label, sizeof label, "#%d %d:%02d %u.%us", info.timelineEntry, info.order, info.row, info.timeMs / 1000,
                (info.timeMs % 1000) / 100);
  return label;
}

std::string darkStretchLabel(const FrameInfo& first, std::uint32_t lastMs) {
  char label[64];
  std::snprintf(label, sizeof label, "#%d %d:%02d %u.%u-%u.%us", first.timelineEntry, first.order, first.row,
                first.timeMs / 1000, (first.timeMs % 1000) / 100, lastMs / 1000, (lastMs % 1000) / 100);
  return label;
}

ContactSheetOutput::ContactSheetOutput(std::string path, std::uint32_t intervalMs, int columns, int thumbWidth,
                                       int thumbHeight)
    : path_(std::move(path)),
      intervalMs_(std::max<std::uint32_t>(intervalMs, 1)),
      thumbWidth_(thumbWidth),
      thumbHeight_(thumbHeight),
      sheet_(columns, thumbWidth, thumbHeight) {
}

bool ContactSheetOutput::open(std::string& error) { return file_.open(path_, &error); }

void ContactSheetOutput::addToSheet(const BgraView& frame, const FrameInfo& info) {
  Canvas thumbnail = scaleDown(frame, thumbWidth_, thumbHeight_);
  const bool dark = isNearlyBlack(thumbnail);
  if (dark && darkStretch_) {
    // The stretch goes on: its one tile now reaches this frame.
    sheet_.relabelLast(darkStretchLabel(*darkStretch_, info.timeMs));
    return;
  }
  sheet_.add(std::move(thumbnail), contactLabel(info));
  darkStretch_.reset();
  if (dark) darkStretch_ = info;
}

void ContactSheetOutput::addHeld() {
  if (!lastOfEntry_) return;
  const Held& held = *lastOfEntry_;
  addToSheet({held.bytes.data(), held.width, held.height, held.width * 4}, held.info);
  lastOfEntry_.reset();
}

bool ContactSheetOutput::writeFrame(const BgraView& frame, const FrameInfo& info) {
  if (frame.bytes == nullptr || frame.width <= 0 || frame.height <= 0 || frame.pitch < frame.width * 4) return true;
  if (info.timelineEntry != currentEntry_) {
    // The previous entry's last frame, then this entry's first.
    addHeld();
    addToSheet(frame, info);
    currentEntry_ = info.timelineEntry;
    lastKeptMs_ = info.timeMs;
  } else if (info.timeMs - lastKeptMs_ >= intervalMs_) {
    lastOfEntry_.reset();
    addToSheet(frame, info);
    lastKeptMs_ = info.timeMs;
  } else {
    if (!lastOfEntry_) lastOfEntry_ = Held{};
    Held& held = *lastOfEntry_;
    const std::size_t rowBytes = static_cast<std::size_t>(frame.width) * 4;
    held.bytes.resize(rowBytes * static_cast<std::size_t>(frame.height));
    for (int y = 0; y < frame.height; ++y) {
      std::copy_n(frame.bytes + static_cast<std::size_t>(y) * frame.pitch, rowBytes, &held.bytes[y * rowBytes]);
    }
    held.width = frame.width;
    held.height = frame.height;
    held.info = info;
  }
  return true;
}

bool ContactSheetOutput::finish() {
  if (finished_) return error_.empty();
  finished_ = true;
  addHeld();
  sheet_.setLegend(contactSheetLegend(sheet_.labels()));
  const Canvas composed = sheet_.compose();
  const BgraView view{reinterpret_cast<const std::uint8_t*>(composed.pixels.data()), composed.width, composed.height,
                      composed.width * 4};
  std::vector<std::uint8_t> png;
  const PngResult encoded = encodePng(view, png);
  if (!encoded.ok) {
    error_ = encoded.error;
    return false;
  }
  if (!file_.isOpen() && !open(error_)) return false;
  file_.write(png.data(), png.size());
  file_.commit(&error_);
  return error_.empty();
}

std::string ContactSheetOutput::describe() const {
  return path_ + " (" + std::to_string(sheet_.size()) + " frames)";
}
