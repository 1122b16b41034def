// Whole-container soundness check, run by the loader at start-up before
// the presentation decodes anything from a container. Main thread only.
#pragma once

#include <cstddef>
#include <string>

// True when `data` (size bytes) is a packed image container that every
// index of decodeContainerImage decodes within its bounds: an entry count
// that fits, at least one image, offsets in order and inside the data area,
// blocks at least as long as their header, decoded sizes of 0..200,000
// bytes, code lengths of at most 32, and decoded streams whose header and
// sections are valid and complete. Otherwise false with `problem` (may be
// null) set to a short sentence, e.g. "image 3: stream shorter than its
// sections". Uses its own decoder and buffer: the codec's state is not
// touched.
bool checkContainer(const unsigned char* data, std::size_t size, std::string* problem);
