// Where a backend draws the presented picture in its window: the largest whole multiple
// of the picture that fits, centred; when not even one fits, the largest size with the
// picture's shape.
#pragma once

namespace host {

struct PicturePlacement {
    int x = 0, y = 0, width = 0, height = 0;
};

PicturePlacement PlacePicture(int pictureWidth, int pictureHeight, int windowWidth, int windowHeight);

}  // namespace host
