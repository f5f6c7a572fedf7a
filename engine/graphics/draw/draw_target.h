// The device surface behind a draw target.
#pragma once

namespace host {
class Surface;
}

namespace orvik {

// The surface a target renders into: a graphic's first texture piece, else the sub back
// buffer or the back buffer; null for a graphic that cannot be drawn into. withDepth
// tells whether the depth buffer (screen-sized) can serve it.
host::Surface* TargetSurface(int target, bool* withDepth);

// Where the current draw target's (0, 0) lies on the surface being rendered into: a cell
// derived from inside a drawable graphic renders into its parent's texture, so its
// viewport, clear rectangles and pre-transformed vertices are moved by this much. (0, 0)
// for the screen, a graphic at its texture's corner, or while drawing goes to another
// surface (the mask screen).
struct TargetOrigin {
    int x = 0, y = 0;
};
TargetOrigin CurrentTargetOrigin();
// Where the draw target's (0, 0) lies on its own surface, whatever is being rendered into.
TargetOrigin DrawTargetOrigin();
// The draw area as the device's viewport and scissor rectangle, where the target lies.
void ApplyDrawAreaToDevice();

}  // namespace orvik
