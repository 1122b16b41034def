// The size rules of the content's own formats: a mesh file is exactly as
// long as its counts say, an image container as its offset table says. The
// presentation and the tools refuse a longer file before reading it.
#pragma once

#include "platform/os/regular_file.h"

SizeRule meshFileSizeRule();
SizeRule containerFileSizeRule();
