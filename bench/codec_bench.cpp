// Codec speed: Huffman decoding in MB/s of output, and the per-frame path
// of the presentation (decode + convertToTexels for colour, decode + tone
// curve + alpha write for a mask) beside libjpeg-turbo decoding the same
// picture to RGBA. Prints the ratios at the end.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
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
};

const Encoded& encoded(int size, int channels) {
  static std::map<std::pair<int, int>, Encoded> cache;
  Encoded& e = cache[{size, channels}];
  if (e.block.empty()) {
    e.picture = codec_test::makeTestPicture(size, size, channels);
    std::string error;
    if (!encodeImage(e.picture, &e.block, &error, &e.stats)) std::fprintf(stderr, "encode: %s\n", error.c_str());
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
  const Encoded& e = encoded(size, 3);
  std::vector<unsigned char> texture(static_cast<std::size_t>(size) * size * 4);
  for (auto _ : state) {
    decodeImage(e.block.data(), static_cast<std::int64_t>(e.block.size()), imageScratch);
    convertToTexels(imageScratch, texture.data(), size * 4, decodedWidth, decodedHeight);
    benchmark::DoNotOptimize(texture.data());
  }
  state.counters["stream"] = e.stats.decodedBytes;
}
BENCHMARK(BM_ColourFramePath)->Arg(256)->Arg(512)->Unit(benchmark::kMicrosecond);

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
  const Picture& picture = encoded(size, 3).picture;
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
BENCHMARK(BM_TurboJpegDecode)->Arg(256)->Arg(512)->Unit(benchmark::kMicrosecond);
#endif

// Keeps each run's time per iteration so the ratios can be printed.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Iteration && run.iterations > 0) {
        times_[run.benchmark_name()] = run.GetAdjustedRealTime();
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void printRatios() const {
    for (const char* size : {"256", "512"}) {
      const auto ours = times_.find(std::string("BM_ColourFramePath/") + size);
      const auto jpeg = times_.find(std::string("BM_TurboJpegDecode/") + size);
      if (ours == times_.end() || jpeg == times_.end()) continue;
      std::printf("%sx%s frame path %.1f us, libjpeg-turbo decode %.1f us: ours takes %.2fx its time\n", size, size,
                  ours->second, jpeg->second, ours->second / jpeg->second);
    }
  }

 private:
  std::map<std::string, double> times_;
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
