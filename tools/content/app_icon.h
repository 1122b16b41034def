// The application icon for desktop menus: the title card with its own
// transparency, box-filtered down to a square of `size` pixels.
#pragma once

#include <string>

#include "common/picture.h"

// False with `error` when the title card can't be drawn or `size` is not
// between 1 and the card's own size.
bool buildAppIcon(int size, Picture* icon, std::string* error);
