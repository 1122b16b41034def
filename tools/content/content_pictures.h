// The pictures of the content set, before encoding. Each list is in
// container order.
#pragma once

#include <string>
#include <vector>

#include "common/picture.h"

struct NamedPicture {
  std::string name;  // what it is ("stone-wall"); a preview is named CONTAINER-INDEX-NAME.png
                     // ("tex-02-stone-wall.png"), so that the names sort in the container's order
  Picture picture;
};

// data/tex.dat: images 0..10 (7 is the title card's colour).
std::vector<NamedPicture> buildTexturePictures(std::string* error);
// data/alpha.dat: image 0 (a soft spot) and image 1 (the title card's alpha).
std::vector<NamedPicture> buildAlphaPictures(std::string* error);
// data/paimen1.dat: the frames of the looping animated picture.
std::vector<NamedPicture> buildAnimationFrames();
// data/valpha.dat: image 0, the picture panel's mask.
std::vector<NamedPicture> buildPanelMask();

// The title card (colour and alpha, same size); false with `error` when the
// font can't be drawn.
bool buildTitleCard(Picture* colour, Picture* alpha, std::string* error);

constexpr int kAnimationFrames = 24;   // 3.2 s at 7.5 frames per second
constexpr int kAnimationSize = 256;    // frames and mask are 256 × 256
constexpr int kTitleCardSize = 512;
