// A readable summary of one mesh file (counts, sizes, ranges, soundness),
// for `glass-tool mesh-info`.
#pragma once

#include <cstddef>
#include <string>

// Several lines ending in a line break. For a file that fails the soundness
// check, the counts it claims and the reason; ranges only for sound files.
// `sound` (may be null) receives the check's verdict; a file that passes it
// but holds triangles without area is called not sound too.
std::string describeMeshFile(const unsigned char* data, std::size_t size, bool* sound);
