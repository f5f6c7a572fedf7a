// Stream sounds are not in this build yet. Loading one fails cleanly (logged, -1) and
// leaves nothing behind, so no record of the stream kind ever exists; the calls made on
// such a record answer as for a sound that is not there.
#include "engine/platform/log.h"
#include "engine/sound/stream_sound.h"

namespace orvik {

namespace {

int RefuseStream() {
    AddLogText("ストリーム再生はこのビルドでは使えません\n");
    return -1;
}

}  // namespace

int AddStreamSoundFile(const char*, int, int, int, int) { return RefuseStream(); }
int AddStreamSoundImage(const void*, int32_t, int, int, int, int) { return RefuseStream(); }
int PrepareStreamSound(int) { return -1; }
int PlayStreamSound(int, int, int) { return -1; }
int StopStreamSoundBuffer(int) { return -1; }
int CheckStreamSoundPlaying(int) { return -1; }
int GetStreamSoundCurrentTime(int) { return -1; }
int GetStreamSoundTotalSample(int) { return -1; }
void ReleaseStreamSources(SoundRecord*) {}

}  // namespace orvik
