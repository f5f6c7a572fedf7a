// Adding the sources of a stream sound and releasing them again. A source's PCM comes
// from the caller's stream, from a copy of the file in memory, or from a WAVE image of
// the whole decoded PCM; every later source must decode to the first one's format.
#include <cstring>

#include "engine/platform/files/file_access.h"
#include "engine/platform/base/log.h"
#include "engine/platform/base/memory.h"
#include "engine/sound/core/sound_load.h"
#include "engine/sound/core/sound_state.h"
#include "engine/sound/streams/stream_sound.h"

namespace orvik {

namespace {

// What one source holds besides its decoder: its data copy and the stream over it.
void CloseSourceData(StreamSource& s) {
    if (s.imageStream.functions.close) s.imageStream.functions.close(s.imageStream.handle);
    s.imageStream = StreamDescriptor{};
    TrackedFree(s.image);
    s.image = nullptr;
}

int OpenImageStream(StreamSource& s) {
    MemImageStreamRecord* m = OpenMemImageStream(s.image, int32_t(s.imageSize));
    if (!m) return -1;
    s.imageStream = {*GetMemImageStreamFunctions(), ToStreamHandle(m)};
    return 0;
}

int OpenFailed(StreamSource& s) {
    CloseSourceData(s);
    AddLogFormat("音声データのオープンに失敗しました");
    return -1;
}

// Kind 2: the file image is copied and decoded from the copy while the stream plays.
int AddFileImageSource(const StreamDescriptor* stream, StreamSource& s) {
    int32_t size = 0;
    if (ReadStreamToMemory(stream, &s.image, &size) != 0) {
        AddLogFormat("音声データの読み込みに失敗しました");
        return -1;
    }
    s.imageSize = uint32_t(size);
    if (OpenImageStream(s) != 0 || SetupSoundConvert(&s.imageStream, &s.convert) != 0) return OpenFailed(s);
    return 0;
}

// Decodes a whole file image to PCM. 0 or -1 (logged).
int DecodeWhole(const StreamDescriptor* stream, host::WAVEFORMATEX* format, uint8_t** pcm, int32_t* pcmSize) {
    uint8_t* file = nullptr;
    int32_t fileSize = 0;
    if (ReadStreamToMemory(stream, &file, &fileSize) != 0) {
        AddLogFormat("音声データの読み込みに失敗しました");
        return -1;
    }
    MemImageStreamRecord* m = OpenMemImageStream(file, fileSize);
    SoundConvert convert{};
    const StreamDescriptor over{*GetMemImageStreamFunctions(), ToStreamHandle(m)};
    const bool decoded = m && SetupSoundConvert(&over, &convert) == 0 &&
                         ConvertSoundWhole(&convert, format, pcm, pcmSize) == 0;
    TerminateSoundConvert(&convert);
    if (m) CloseMemImageStream(ToStreamHandle(m));
    TrackedFree(file);
    if (!decoded) AddLogFormat("音声データの変換に失敗しました");
    return decoded ? 0 : -1;
}

// Kind 0: the whole source is decoded now and streamed from a WAVE image of its PCM.
int AddDecodedSource(const StreamDescriptor* stream, StreamSource& s) {
    host::WAVEFORMATEX format;
    uint8_t* pcm = nullptr;
    int32_t pcmSize = 0;
    if (DecodeWhole(stream, &format, &pcm, &pcmSize) != 0) return -1;
    int32_t waveSize = 0;
    const int made = MakeWaveFileImage(&s.image, &waveSize, &format, sizeof format, pcm, pcmSize);
    TrackedFree(pcm);
    if (made != 0) return -1;
    s.imageSize = uint32_t(waveSize);
    if (OpenImageStream(s) != 0 || SetupSoundConvert(&s.imageStream, &s.convert) != 0) return OpenFailed(s);
    return 0;
}

int OpenSource(const StreamDescriptor* stream, StreamSource& s, int* callerMayClose) {
    switch (s.dataKind) {
    case kStreamCallerStream:
        *callerMayClose = 0;
        if (SetupSoundConvert(stream, &s.convert) != 0) return OpenFailed(s);
        return 0;
    case kStreamFileImage:
        *callerMayClose = 1;
        return AddFileImageSource(stream, s);
    case kStreamDecodedPcm:
        *callerMayClose = 1;
        return AddDecodedSource(stream, s);
    default:
        AddLogFormat("ストリームサウンドのデータ形式 %d は扱えません", s.dataKind);
        return -1;
    }
}

void ReleaseSource(StreamSource& s, bool ownsCallerStream) {
    const StreamDescriptor callerStream = s.convert.stream;
    TerminateSoundConvert(&s.convert);
    if (ownsCallerStream && s.dataKind == kStreamCallerStream && callerStream.functions.close)
        callerStream.functions.close(callerStream.handle);
    CloseSourceData(s);
}

// Why a record cannot take one more source, logged; 0 when it can.
int RefuseMoreSources(int handle, SoundRecord* r) {
    if (r->stream.sourceCount == 0) return 0;
    SoundBuffer* buffer = nullptr;
    uint32_t status = 0;
    if (r->kind != kStreamSound) {
        AddLogText("ストリーム風サウンドではないサウンドデータが渡されました in AddSreamSound\n");
    } else if (GetStreamPlayBuffer(handle, r, &buffer, 0) == 0 && SoundBufGetStatus(buffer, &status) == 0 &&
               (status & host::DSBSTATUS_PLAYING)) {
        AddLogText("既に再生中のストリームサウンドデータにデータを追加しようとしました\n");
    } else if (r->stream.sourceCount >= kMaxStreamSources) {
        AddLogText("ストリーム風サウンドの制御データ領域がいっぱいです\n");
    } else {
        return 0;
    }
    return -1;
}

// Uses the buffer of another stream of the same format when the share handle names one.
bool ShareBuffer(int handle, SoundRecord* r, int shareHandle) {
    if (shareHandle == -1) return false;
    SoundRecord* owner = FindSoundRecord(shareHandle);
    if (!owner || owner == r || owner->kind != kStreamSound || owner->stream.sharedBufferHandle != -1 ||
        std::memcmp(&owner->format, &r->format, sizeof r->format) != 0)
        return false;
    r->kind = kStreamSound;
    r->bufferCount = 1;
    AddListNode(&Sound().streamHead, &r->streamNode, handle, r);
    r->stream.sharedBufferHandle = shareHandle;
    // The refill measures the shared buffer: it has the size a buffer of this format has.
    r->stream.bufferSize = owner->stream.bufferSize;
    ++owner->stream.sharerCount;
    return true;
}

int SettleFirstSource(int handle, SoundRecord* r, StreamSource& s, int shareHandle) {
    GetSoundConvertFormat(&s.convert, &r->format);
    // A rate whose low 24 bits are 0 would make a play buffer of no bytes to go round.
    if (StreamQuantitiesOf(r->format).buffer == 0) {
        AddLogFormat("ストリーム再生できないフォーマットです ( %u bytes/sec )", r->format.nAvgBytesPerSec);
        return -1;
    }
    if (!ShareBuffer(handle, r, shareHandle)) {
        if (CreateSoundHandleBuffers(&r->format, 0, kStreamSound, 1, handle) != 0) return -1;
        r->stream.sharedBufferHandle = -1;
        r->stream.bufferSize = StreamQuantitiesOf(r->format).buffer;
        r->frequency = int32_t(r->format.nSamplesPerSec);
    }
    r->stream.sharerCount = 0;
    r->stream.bufferUser = -1;
    r->stream.deleteDeferred = 0;
    return 0;
}

bool SameFormatAsRecord(SoundRecord* r, StreamSource& s) {
    host::WAVEFORMATEX format;
    GetSoundConvertFormat(&s.convert, &format);
    if (std::memcmp(&format, &r->format, sizeof format) == 0) return true;
    AddLogFormat("フォーマットの違う音声データは同時に使うことは出来ません");
    return false;
}

void CountTotalSamples(SoundRecord* r) {
    int64_t total = 0;
    const int32_t align = r->format.nBlockAlign ? r->format.nBlockAlign : 1;
    for (int32_t i = 0; i < r->stream.sourceCount; ++i)
        total += GetSoundConvertDestSize(&r->stream.sources[i].convert) / align;
    r->stream.totalSamples = uint32_t(total);
}

// The record of `handle` when it may take one more source (why not is logged), or null.
// The caller holds the sound lock.
SoundRecord* RecordTakingSource(int handle) {
    SoundRecord* r = FindSoundRecord(handle);
    return r && RefuseMoreSources(handle, r) == 0 ? r : nullptr;
}

// Under the sound lock, the opened source becomes the record's next one. The record may
// have gone or changed while the source was opened: the source is then let go. 0 or -1.
int InstallSource(int handle, StreamSource& s, uint8_t loop, int shareHandle, bool ownsStream) {
    SoundLockGuard guard(SoundLock());
    SoundRecord* r = RecordTakingSource(handle);
    const bool fits = r && (r->stream.sourceCount == 0 ? SettleFirstSource(handle, r, s, shareHandle) == 0
                                                       : SameFormatAsRecord(r, s));
    if (!fits) {
        ReleaseSource(s, false);
        return -1;
    }
    s.loopCount = int8_t(loop);
    const int32_t at = r->stream.sourceCount++;
    r->stream.sources[at] = s;
    SoundConvertMoved(&r->stream.sources[at].convert);
    r->stream.sourceOwnsStream[at] = ownsStream ? 1 : 0;
    CountTotalSamples(r);
    return 0;
}

// Reading the source's data and setting up its decoder may take long (a whole file read,
// an MP3 decoded whole): it is done without the sound lock, which the mixer waits for, and
// the lock is taken only to check the record and to install the source.
int AddSource(const StreamDescriptor* stream, uint8_t loop, int handle, int dataKind, int* callerMayClose,
              int shareHandle, bool ownsStream) {
    if (!SoundStarted() || !stream || !callerMayClose) return -1;
    {
        SoundLockGuard guard(SoundLock());
        if (!RecordTakingSource(handle)) return -1;
    }
    StreamSource s{};
    s.dataKind = dataKind;
    s.loopEnd = -1;
    stream->functions.seek(stream->handle, 0, 0);
    if (OpenSource(stream, s, callerMayClose) != 0) return -1;
    return InstallSource(handle, s, loop, shareHandle, ownsStream);
}

// Adds a source over a stream opened for the purpose: the stream is closed on failure,
// and on success unless the source goes on reading it. 0 or -1.
int AddOwnedSource(StreamDescriptor stream, int loop, int handle, int dataKind, int shareHandle) {
    int callerMayClose = 1;
    if (AddSource(&stream, uint8_t(loop), handle, dataKind, &callerMayClose, shareHandle, true) != 0) {
        stream.functions.close(stream.handle);
        return -1;
    }
    if (callerMayClose) stream.functions.close(stream.handle);
    return 0;
}

bool ValidSoundHandle(int handle) {
    SoundLockGuard guard(SoundLock());
    return FindSoundRecord(handle) != nullptr;
}

}  // namespace

int AddSreamSound(const StreamDescriptor* stream, uint8_t loop, int handle, int dataKind, int* callerMayClose,
                  int shareHandle) {
    return AddSource(stream, loop, handle, dataKind, callerMayClose, shareHandle, false);
}

int AddStreamSoundFile(const char* fileName, int loop, int handle, int dataKind, int shareHandle) {
    if (!SoundStarted() || !ValidSoundHandle(handle)) return -1;
    const FileAccessHandle file = FileAccessOpen(fileName, 0, 1, 0);
    if (!file) {
        AddLogFormat("右記のＷＡＶファイルのロードに失敗しました：%s \n", fileName ? fileName : "");
        return -1;
    }
    if (AddOwnedSource({*GetFileStreamFunctions(), StreamHandle(file)}, loop, handle, dataKind, shareHandle) != 0) {
        AddLogFormat("右記のＷＡＶファイルのセットアップに失敗しました：%s \n", fileName);
        return -1;
    }
    return 0;
}

int AddStreamSoundImage(const void* image, int32_t size, int loop, int handle, int dataKind, int shareHandle) {
    if (!SoundStarted() || !ValidSoundHandle(handle)) return -1;
    MemImageStreamRecord* m = OpenMemImageStream(image, size);
    if (!m) {
        AddLogText("ＷＡＶファイルのストリームイメージハンドルの作成に失敗しました \n");
        return -1;
    }
    if (dataKind == kStreamCallerStream) dataKind = kStreamFileImage;
    if (AddOwnedSource({*GetMemImageStreamFunctions(), ToStreamHandle(m)}, loop, handle, dataKind, shareHandle) != 0) {
        AddLogText("ＷＡＶファイルのストリームイメージのセットアップに失敗しました \n");
        return -1;
    }
    return 0;
}

void ReleaseStreamSources(SoundRecord* r) {
    for (int32_t i = 0; i < r->stream.sourceCount; ++i)
        ReleaseSource(r->stream.sources[i], r->stream.sourceOwnsStream[i] != 0);
    r->stream.sourceCount = 0;
}

int GetStreamSoundTotalSample(int handle) {
    SoundRecord* r = FindSoundRecord(handle);
    return r ? int(r->stream.totalSamples) : -1;
}

}  // namespace orvik
