// A container's image as the presentation shows it: RGB from the texels the
// colour table gives, or the plane of a one-channel image. Empty when the
// image does not decode.
#pragma once

#include <cstdint>
#include <vector>

#include "codec/image_decoder.h"
#include "codec/texel_conversion.h"
#include "common/picture.h"

namespace codec_test {

inline Picture shownPicture(const std::vector<std::uint8_t>& container, int index) {
  Picture out;
  if (decodeContainerImageSized(container.data(), container.size(), index) != index) return out;
  out.width = decodedWidth;
  out.height = decodedHeight;
  out.channels = decodedChannels;
  const std::size_t pixels = static_cast<std::size_t>(decodedWidth) * decodedHeight;
  if (decodedChannels == 1) {
    out.pixels.assign(imageScratch, imageScratch + pixels);
    return out;
  }
  std::vector<std::uint8_t> texels(pixels * 4);  // B, G, R, A
  convertToTexels(imageScratch, texels.data(), decodedWidth * 4, decodedWidth, decodedHeight);
  for (std::size_t i = 0; i < pixels; ++i) {
    out.pixels.insert(out.pixels.end(), {texels[4 * i + 2], texels[4 * i + 1], texels[4 * i]});
  }
  return out;
}

}  // namespace codec_test
