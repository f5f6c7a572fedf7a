// What the fuzz build stands in for: it has no graphics and so no Direct3D device (the
// Theora decoder's surface half is that of a program without one: no surface, only the
// image), no audio output, and no COM class registry (only its task allocator).
#include <cstdlib>

#include "engine/sound/theora_movie.h"
#include "host/dsound/audio_output.h"
#include "host/win/com.h"

namespace orvik {

void SetupTheoraSurface(TheoraMovie* movie) { movie->surfaceFormat = host::D3DFMT_UNKNOWN; }
host::Surface* GetTheoraSurface(TheoraMovie*) { return nullptr; }
host::Surface* GetTheoraTexture(TheoraMovie*) { return nullptr; }
void CopyFrameToSurface(TheoraMovie*, const TheoraStockFrame&) {}
void ReleaseTheoraSurface(TheoraMovie*) {}

}  // namespace orvik

namespace host {

bool IsAudioOutputOpen() { return false; }
void* CoTaskMemAlloc(size_t size) { return std::malloc(size ? size : 1); }
void CoTaskMemFree(void* block) { std::free(block); }

}  // namespace host
