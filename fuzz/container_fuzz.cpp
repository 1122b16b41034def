// A packed image container through the start-up check, then every image of
// a container that passed it through the decoder. The promise: a container
// the check accepts decodes each of its images within their sizes (1..512
// on a side, one or three channels); a refused one comes with a reason.
#include <cstddef>
#include <cstdint>
#include <string>

#include "codec/colour_table.h"
#include "codec/container_check.h"
#include "codec/image_decoder.h"
#include "promise.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Inputs never repeat: every block is decoded, none kept.
  static const int ready = (setDecodedStreamCaching(false), initImageCodec());
  FUZZ_PROMISE(ready == 1, "the image codec starts");

  std::string problem;
  if (!checkContainer(data, size, &problem)) {
    FUZZ_PROMISE(!problem.empty(), "a refused container carries a reason");
    // The sized decode must refuse what lies outside the buffer by itself.
    if (size >= 4) decodeContainerImageSized(data, size, 0);
    return 0;
  }
  FUZZ_PROMISE(problem.empty(), "an accepted container has no problem");
  const int images = imageCount(data);
  FUZZ_PROMISE(images >= 1, "an accepted container holds an image");
  for (int index = 0; index < images; ++index) {
    FUZZ_PROMISE(decodeContainerImageSized(data, size, index) == index, "each image of an accepted container decodes");
    FUZZ_PROMISE(decodedWidth >= 1 && decodedWidth <= 512 && decodedHeight >= 1 && decodedHeight <= 512,
                 "a decoded image is 1..512 on a side");
    FUZZ_PROMISE(decodedChannels == 1 || decodedChannels == 3, "a decoded image has one or three channels");
    FUZZ_PROMISE(!indexOutOfRange, "every index below the image count is in range");
  }
  return 0;
}
