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

}  // namespace orvik
