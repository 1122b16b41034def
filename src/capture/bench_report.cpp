#include "capture/bench_report.h"

#include <algorithm>
#include <cstdio>

#include "app/timeline_state.h"
#include "scenes/scene_routines.h"

namespace {

using Seconds = std::chrono::duration<double>;

const char* sceneName(SceneRoutine scene) {
  struct Named {
    SceneRoutine scene;
    const char* name;
  };
  static const Named kNames[] = {
      {roomDarkenScene, "roomDarkenScene"},     {roomGazeScene, "roomGazeScene"},
      {roomDollyScene, "roomDollyScene"},       {roomFlyScene, "roomFlyScene"},
      {roomSwayScene, "roomSwayScene"},         {islandUnveilScene, "islandUnveilScene"},
      {islandSlideScene, "islandSlideScene"},   {houseScene, "houseScene"},
  };
  for (const Named& named : kNames) {
    if (named.scene == scene) return named.name;
  }
  return "?";
}

std::string line(const char* format, auto... values) {
  char text[256];
  std::snprintf(text, sizeof text, format, values...);
  return text;
}

}  // namespace

BenchShares benchShares(const CaptureRunResult& run) {
  std::chrono::nanoseconds total{0};
  for (const FrameRecord& record : run.frameRecords) total += record.duration;
  const DeviceTimes& device = run.deviceTimes;
  const auto deviceTotal = device.raster + device.upload + device.present + device.other;
  const double all = Seconds(total).count();
  BenchShares shares;
  if (all <= 0) return shares;
  // Sound and output run inside Present, through the frame sink.
  const auto sceneCode = std::max(total - deviceTotal, std::chrono::nanoseconds{0});
  shares.rasterising = Seconds(device.raster).count() / all;
  shares.decoding = Seconds(sceneCode + device.upload).count() / all;
  shares.audio = Seconds(run.soundTime).count() / all;
  shares.other = std::max(0.0, 1.0 - shares.rasterising - shares.decoding - shares.audio);
  return shares;
}

std::string formatBenchReport(const CaptureRunResult& run, int fps, const BenchSetup& setup) {
  std::chrono::nanoseconds total{0}, totalCpu{0};
  std::int64_t entryFrames[kTimelineLength] = {};
  std::chrono::nanoseconds entryTime[kTimelineLength] = {};
  std::chrono::nanoseconds entryCpu[kTimelineLength] = {};
  for (const FrameRecord& record : run.frameRecords) {
    total += record.duration;
    totalCpu += record.cpuTime;
    const int entry = std::clamp(record.timelineEntry, 0, kTimelineLength - 1);
    ++entryFrames[entry];
    entryTime[entry] += record.duration;
    entryCpu[entry] += record.cpuTime;
  }
  const double seconds = Seconds(total).count();
  const auto framesPerSecond = [](std::int64_t frames, std::chrono::nanoseconds time) {
    const double s = Seconds(time).count();
    return s > 0 ? frames / s : 0.0;
  };
  const auto frames = static_cast<std::int64_t>(run.frameRecords.size());

  std::string report;
  report += line("%lld frames (%.1f s of presentation at %d fps) in %.2f s: %.1f frames per second\n",
                 static_cast<long long>(frames), static_cast<double>(frames) / fps, fps, seconds,
                 framesPerSecond(frames, total));
  // A browser has no processor clock for the program: say so rather than
  // print a rate of nought.
  const bool cpuKnown = totalCpu.count() > 0;
  const char* plural = setup.threads == 1 ? "" : "s";
  if (cpuKnown) {
    report += line("%d drawing thread%s; processor time %.2f s: %.1f frames per processor second\n", setup.threads,
                   plural, Seconds(totalCpu).count(), framesPerSecond(frames, totalCpu));
  } else {
    report += line("%d drawing thread%s; processor time not measurable here\n", setup.threads, plural);
  }
  report += line("picture %d x %d (render scale %d)%s\n", 640 * setup.pictureScale, 480 * setup.pictureScale,
                 setup.pictureScale, setup.supersample ? ", four samples a pixel" : "");
  if (setup.warmUpSeconds > 0) {
    report += line("measured after a first, unmeasured run of %.1f s of presentation (the browser compiles as it runs)\n",
                   setup.warmUpSeconds);
  }
  report += cpuKnown ? "entry  scene               frames  frames per second  per processor second\n"
                     : "entry  scene               frames  frames per second\n";
  for (int entry = 0; entry < kTimelineLength; ++entry) {
    report += line("%5d  %-18s  %6lld  %8.1f", entry, sceneName(kTimeline[entry].scene),
                   static_cast<long long>(entryFrames[entry]), framesPerSecond(entryFrames[entry], entryTime[entry]));
    report += cpuKnown ? line("           %8.1f\n", framesPerSecond(entryFrames[entry], entryCpu[entry])) : "\n";
  }
  const BenchShares shares = benchShares(run);
  report += line("time: rasterising %.1f %%, decoding %.1f %%, audio %.1f %%, other %.1f %%\n", 100 * shares.rasterising,
                 100 * shares.decoding, 100 * shares.audio, 100 * shares.other);
  report +=
      "(rasterising: Clear and draw calls; decoding: scene code outside device calls, that is image decoding and\n"
      " texel conversion, plus texture upload; audio: offline music rendering; other: remaining device calls;\n"
      " with several threads the draw calls only queue their triangles and the wait for them falls in Present)\n";
  return report;
}
