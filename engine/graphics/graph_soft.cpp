#include "engine/graphics/graph_soft.h"

#include "engine/graphics/draw_settings.h"
#include "engine/softrender/filled_rect.h"
#include "engine/softrender/memimg_write.h"

namespace orvik {

int TransferImageToMemImg(GraphRecord& record, const BaseImage* image, const BaseImage* alphaImage, int offsetX,
                          int offsetY, int x, int y, int width, int height) {
    return WriteBaseImageToMemImg(image, alphaImage, &record.images->image, x + offsetX, y + offsetY, width, height, x,
                                  y, 0) < 0
               ? -1
               : 0;
}

int DrawGraphMemImg(int, int, GraphRecord&, int) { return 0; }
int DrawGraphStretchedMemImg(int, int, int, int, GraphRecord&, int) { return 0; }
int DrawGraphRotatedMemImg(float, float, double, double, GraphRecord&, int, int) { return 0; }
int DrawBoxMemImg(int x1, int y1, int x2, int y2, uint32_t color) {
    if (!Draw().softTarget) return -1;
    const int32_t rect[4] = {x1, y1, x2, y2};
    DrawMemImgFilledRect(Draw().softTarget, rect, color);
    return 0;
}
int DrawLineBoxMemImg(int, int, int, int, uint32_t) { return 0; }
int DrawLineMemImg(int, int, int, int, uint32_t) { return 0; }

}  // namespace orvik
