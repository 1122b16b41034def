// Codec speed: Huffman decoding in MB/s of output, and the per-frame path
// of the presentation (decode + convertToTexels for colour, decode + tone
// curve + alpha write for a mask) beside libjpeg-turbo decoding the same
// picture to RGBA. Prints the ratios at the end.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "codec/colour_table.h"
#include "codec/huffman_decoder.h"
#include "codec/image_decoder.h"
#include "codec/texel_conversion.h"
#include "encoder/image_encoder.h"
#include "support/test_pictures.h"

#ifdef GLASS_HAVE_TURBOJPEG
#include <turbojpeg.h>
#endif

namespace {

struct Encoded {
  Picture picture;
  std::vector<std::uint8_t> block;
  EncodeStats stats;
  double psnr = 0.0;  // of the picture as the colour table shows it
};

double shownPsnr(const Encoded& e) {
  decodeImage(e.block.data(), static_cast<std::int64_t>(e.block.size()), imageScratch);
  if (decodedChannels != 3) return 0.0;
  const std::size_t pixels = static_cast<std::size_t>(decodedWidth) * decodedHeight;
  std::vector<unsigned char> texels(pixels * 4);
  convertToTexels(imageScratch, texels.data(), decodedWidth * 4, decodedWidth, decodedHeight);
  double sum = 0.0;
  for (std::size_t i = 0; i < pixels; ++i) {
    for (int c = 0; c < 3; ++c) {
      const double d = double(e.picture.pixels[i * 3 + c]) - texels[i * 4 + 2 - c];
      sum += d * d;
    }
  }
  return 10.0 * std::log10(255.0 * 255.0 / (sum / (pixels * 3.0)));
}

// Test pictures by size, channels, grain (0 = smooth) and stream budget in
// thousands of bytes, encoded once.
const Encoded& encoded(int size, int channels, int grain = 8, int budgetK = 200) {
  static std::map<std::tuple<int, int, int, int>, Encoded> cache;
  Encoded& e = cache[{size, channels, grain, budgetK}];
  if (e.block.empty()) {
    initImageCodec();
    e.picture = codec_test::makeTestPicture(size, size, channels, 1, grain);
    std::string error;
    if (!encodeImageWithBudget(e.picture, budgetK * 1000, &e.block, &error, &e.stats)) {
      std::fprintf(stderr, "encode: %s\n", error.c_str());
    }
    e.psnr = shownPsnr(e);
  }
  return e;
}

void BM_HuffmanDecode(benchmark::State& state) {
  initImageCodec();
  const Encoded& e = encoded(static_cast<int>(state.range(0)), 3);
  std::int64_t bytes = 0;
  for (auto _ : state) {
    huffmanDecoder.attachBlock(e.block.data(), static_cast<std::int64_t>(e.block.size()));
    benchmark::DoNotOptimize(huffmanDecoder.decode());
    bytes += huffmanDecoder.writtenCount();
  }
  state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_HuffmanDecode)->Arg(256)->Arg(512)->Unit(benchmark::kMicrosecond);

void BM_ColourFramePath(benchmark::State& state) {
  initImageCodec();
  const int size = static_cast<int>(state.range(0));
  const Encoded& e = encoded(size, 3, static_cast<int>(state.range(1)), static_cast<int>(state.range(2)));
  std::vector<unsigned char> texture(static_cast<std::size_t>(size) * size * 4);
  for (auto _ : state) {
    decodeImage(e.block.data(), static_cast<std::int64_t>(e.block.size()), imageScratch);
    convertToTexels(imageScratch, texture.data(), size * 4, decodedWidth, decodedHeight);
    benchmark::DoNotOptimize(texture.data());
  }
  state.counters["stream"] = e.stats.decodedBytes;
  state.counters["psnr"] = e.psnr;
}
// Args: size, grain of the picture, stream budget in thousands of bytes
// (200 = the full budget, the encoder's default).
BENCHMARK(BM_ColourFramePath)
    ->Args({256, 8, 200})->Args({256, 0, 200})->Args({256, 8, 40})->Args({256, 0, 40})
    ->Args({512, 8, 200})->Args({512, 0, 200})
    ->Unit(benchmark::kMicrosecond);

void BM_MaskFramePath(benchmark::State& state) {
  initImageCodec();
  const int size = static_cast<int>(state.range(0));
  const Encoded& e = encoded(size, 1);
  std::vector<unsigned char> texture(static_cast<std::size_t>(size) * size * 4);
  for (auto _ : state) {
    decodeImage(e.block.data(), static_cast<std::int64_t>(e.block.size()), imageScratch);
    applyToneCurve(0.55f, 1.0f, imageScratch, 0, 0, decodedWidth, decodedHeight);
    writeAlphaChannel(imageScratch, texture.data(), size * 4, decodedWidth, decodedHeight, 3);
    benchmark::DoNotOptimize(texture.data());
  }
  state.counters["stream"] = e.stats.decodedBytes;
}
BENCHMARK(BM_MaskFramePath)->Arg(256)->Unit(benchmark::kMicrosecond);

#ifdef GLASS_HAVE_TURBOJPEG
void BM_TurboJpegDecode(benchmark::State& state) {
  const int size = static_cast<int>(state.range(0));
  const Picture& picture = encoded(size, 3, static_cast<int>(state.range(1))).picture;
  tjhandle compressor = tjInitCompress();
  unsigned char* jpeg = nullptr;
  unsigned long jpegSize = 0;
  tjCompress2(compressor, picture.pixels.data(), size, size * 3, size, TJPF_RGB, &jpeg, &jpegSize, TJSAMP_420,
              90, 0);
  tjDestroy(compressor);
  tjhandle decompressor = tjInitDecompress();
  std::vector<unsigned char> rgba(static_cast<std::size_t>(size) * size * 4);
  for (auto _ : state) {
    tjDecompress2(decompressor, jpeg, jpegSize, rgba.data(), size, size * 4, size, TJPF_BGRA, 0);
    benchmark::DoNotOptimize(rgba.data());
  }
  state.counters["jpeg"] = static_cast<double>(jpegSize);
  tjDestroy(decompressor);
  tjFree(jpeg);
}
BENCHMARK(BM_TurboJpegDecode)->Args({256, 8})->Args({256, 0})->Args({512, 8})->Args({512, 0})
    ->Unit(benchmark::kMicrosecond);
#endif

// Keeps each run's CPU time per iteration (the machine may be shared, so
// wall time says more about the neighbours) and prints the ratios of the
// medians over the repetitions.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      if ((run.run_type == Run::RT_Iteration && run.iterations > 0) || median) {
        times_[run.run_name.function_name + "/" + run.run_name.args].push_back(run.GetAdjustedCPUTime());
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void printRatios() const {
    for (const auto& [name, values] : times_) {
      const std::string prefix = "BM_ColourFramePath/";
      if (name.rfind(prefix, 0) != 0) continue;
      const std::string args = name.substr(prefix.size());
      const auto ours = times_.find(name);
      const auto jpeg = times_.find("BM_TurboJpegDecode/" + args.substr(0, args.rfind('/')));
      if (jpeg == times_.end()) continue;
      const double ourTime = median(ours->second), jpegTime = median(jpeg->second);
      std::printf("size/grain/budget %s: frame path %.1f us, libjpeg-turbo decode %.1f us (CPU, medians): "
                  "ours takes %.2fx its time\n",
                  args.c_str(), ourTime, jpegTime, ourTime / jpegTime);
    }
  }

 private:
  static double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
  }
  std::map<std::string, std::vector<double>> times_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.printRatios();
  benchmark::Shutdown();
  return 0;
}
