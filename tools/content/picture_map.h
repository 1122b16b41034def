// The picture map: every generated picture as a labelled thumbnail with its
// container, index, size and where it appears (docs/picture-map.png, made by
// glass-content --picture-map), so that whoever replaces one knows which.
#pragma once

#include <string>

#include "common/picture.h"

bool buildPictureMap(Picture* map, std::string* error);
