#include "engine/softrender/pipeline/draw_state.h"

#include "engine/graphics/draw/draw_settings.h"

namespace orvik {

MemImgDrawState CurrentMemImgDrawState() {
    const DrawSettings& d = Draw();
    MemImgDrawState s;
    s.clipRect = {d.area.x1, d.area.y1, d.area.x2, d.area.y2};
    s.blendMode = d.blendMode;
    s.blendParam = d.blendParam;
    s.bright = d.bright;
    return s;
}

}  // namespace orvik
