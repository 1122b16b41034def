// One compressed image block through the Huffman decoder and the image
// decoder, and the same bytes read as a decoded image stream. The promises:
// a decoded image is 1..512 on a side with one or three channels and a
// refused one leaves 0 x 0; the Huffman decoder never writes past the room
// it is given; a stream layout is either sound (its sections end within the
// bytes) or refused with a named problem.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "codec/colour_table.h"
#include "codec/huffman_decoder.h"
#include "codec/image_decoder.h"
#include "codec/image_layout.h"
#include "promise.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Inputs never repeat: every block is decoded, none kept.
  static const int ready = (setDecodedStreamCaching(false), initImageCodec());
  FUZZ_PROMISE(ready == 1, "the image codec starts");
  const auto blockSize = static_cast<std::int64_t>(size);

  if (decodeImage(data, blockSize, imageScratch) == 1) {
    FUZZ_PROMISE(decodedWidth >= 1 && decodedWidth <= 512 && decodedHeight >= 1 && decodedHeight <= 512,
                 "a decoded image is 1..512 on a side");
    FUZZ_PROMISE(decodedChannels == 1 || decodedChannels == 3, "a decoded image has one or three channels");
  } else {
    FUZZ_PROMISE(decodedWidth == 0 && decodedHeight == 0 && decodedChannels == 0, "a refused image is 0 x 0");
  }

  // A small output buffer, exactly as large as it says (ASan guards its end).
  const int capacity = static_cast<int>(size % 512);
  std::vector<unsigned char> out(static_cast<std::size_t>(capacity));
  huffmanDecoder.attachBlock(data, blockSize);
  const int written = huffmanDecoder.decodeInto(out.data(), capacity);
  FUZZ_PROMISE(written >= 0 && written <= capacity, "the Huffman decoder stays within its room");

  ImageLayout layout;
  const int available = static_cast<int>(size < 200000 ? size : 200000);
  const LayoutProblem problem = readImageLayout(data, available, &layout);
  if (problem == LayoutProblem::kNone) {
    FUZZ_PROMISE(layout.end <= available && layout.width >= 1 && layout.width <= 512 && layout.height >= 1 &&
                     layout.height <= 512,
                 "a sound layout lies within the stream");
  } else {
    const char* text = layoutProblemText(problem);
    FUZZ_PROMISE(text != nullptr && std::strlen(text) > 0, "a refused layout names its problem");
  }
  return 0;
}
