// Extra chunks in PNG files, on the file's bytes. glass-tool unpack keeps
// each picture's encoded block in a private chunk, so that pack can take the
// block as it was instead of encoding the picture a second time (the codec
// is lossy: every encoding loses a little more).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The chunk that carries an image's encoded block: ancillary, private and
// unsafe to copy, so an editor that changes the picture drops it.
constexpr char kEncodedBlockChunk[5] = "glBK";

// Inserts a chunk of `type` (4 letters) holding `data` just before IEND.
// False when `png` is not a PNG file with an IEND chunk.
bool insertPngChunk(std::vector<std::uint8_t>* png, const char* type, const std::vector<std::uint8_t>& data);

// The data of the first chunk of `type` with a correct CRC; false when there
// is none (or the bytes are not a PNG file).
bool findPngChunk(const std::vector<std::uint8_t>& png, const char* type, std::vector<std::uint8_t>* data);
