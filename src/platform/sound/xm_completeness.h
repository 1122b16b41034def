// Whether an XM module holds every byte its headers announce. The decoder
// loads a cut-off module without a word, silencing the samples and patterns
// it lacks; this check finds the first part that is cut off, so the player
// can say so while it plays what is there.
#pragma once

#include <cstddef>
#include <string>

// Empty when the module is complete (or is no XM at all); otherwise what
// is missing, e.g. "the file ends inside the sample data of instrument 3
// of 8 (1,234 of 5,678 bytes missing)".
std::string describeMissingXmParts(const unsigned char* bytes, std::size_t size);
