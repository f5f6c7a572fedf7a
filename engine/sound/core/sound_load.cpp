// LoadSound: a file read whole, decoded whole, and copied into the buffers of a new
// handle; too long a sound (or one whose buffers cannot be made) goes to streaming.
#include "engine/sound/core/sound_load.h"

#include <orvik/sound.h>

#include <cstring>

#include "engine/platform/base/log.h"
#include "engine/platform/base/memory.h"
#include "engine/platform/base/short_of_memory.h"
#include "engine/sound/core/sound_handles.h"
#include "engine/sound/core/sound_state.h"
#include "engine/sound/streams/stream_io.h"
#include "engine/sound/streams/stream_sound.h"

namespace orvik {

namespace {

// A sound longer than this many whole seconds is streamed instead of held as PCM.
constexpr uint32_t kLongestMemorySoundSeconds = 180;
constexpr uint32_t kMemoryBufferFlags = host::DSBCAPS_STATIC | host::DSBCAPS_CTRLFREQUENCY | host::DSBCAPS_CTRLPAN |
                                        host::DSBCAPS_CTRLVOLUME | host::DSBCAPS_GLOBALFOCUS;
constexpr uint32_t kPlainBufferFlags = host::DSBCAPS_STATIC | host::DSBCAPS_CTRLPAN | host::DSBCAPS_CTRLVOLUME;
constexpr uint32_t kStreamBufferFlags = kMemoryBufferFlags | host::DSBCAPS_GETCURRENTPOSITION2;

// What one load has open, released once whichever way the load ends.
struct LoadScope {
    MemImageStreamRecord* memory = nullptr;
    SoundConvert convert{};
    uint8_t* pcm = nullptr;
    host::WAVEFORMATEX format{};
    int32_t pcmSize = 0;

    void CloseDecoding() {
        TerminateSoundConvert(&convert);
        if (memory) CloseMemImageStream(ToStreamHandle(memory));
        memory = nullptr;
    }
    ~LoadScope() {
        CloseDecoding();
        TrackedFree(pcm);
    }
};

host::DSBUFFERDESC Description(uint32_t flags, uint32_t bytes, const host::WAVEFORMATEX* format) {
    host::DSBUFFERDESC d;
    d.dwSize = host::DSBUFFERDESC_SIZE32;
    d.dwFlags = flags;
    d.dwBufferBytes = bytes;
    d.lpwfxFormat = format;
    return d;
}

int CreateStreamBuffer(SoundRecord* r, const host::WAVEFORMATEX* format) {
    const host::DSBUFFERDESC d = Description(kStreamBufferFlags, StreamQuantitiesOf(*format).buffer, format);
    // A stream that cannot get its play buffer fails its load; the program goes on.
    if (SoundBufCreate(&r->buffers[0], &d) != 0) {
        AddLogText("ストリーム風サウンドバッファの作成に失敗しました\n");
        return -1;
    }
    r->bufferCount = 1;
    return 0;
}

int CreateMemoryBuffers(SoundRecord* r, const host::WAVEFORMATEX* format, int32_t pcmSize, int count) {
    r->bufferCount = 0;
    for (int i = 0; i < count; ++i) {
        if (i == 0) {
            host::DSBUFFERDESC d = Description(kMemoryBufferFlags, uint32_t(pcmSize), format);
            if (SoundBufCreate(&r->buffers[0], &d) != 0) {
                d.dwFlags = kPlainBufferFlags;
                if (SoundBufCreate(&r->buffers[0], &d) != 0) {
                    AddLogText("DirectSoundBuffer の作成に失敗しました\n");
                    return -1;
                }
            }
        } else if (SoundBufDuplicate(&r->buffers[i], &r->buffers[0]) != 0) {
            break;
        }
        r->bufferCount = i + 1;
    }
    return 0;
}

// Copies the PCM into every buffer of the record. A duplicate that shares the first
// buffer's sound memory locks the bytes already written, and is not written again.
int FillBuffers(SoundRecord* r) {
    const void* written = nullptr;
    for (int i = 0; i < r->bufferCount; ++i) {
        void *p1 = nullptr, *p2 = nullptr;
        uint32_t n1 = 0, n2 = 0;
        if (SoundBufLock(&r->buffers[i], 0, uint32_t(r->pcmSize), &p1, &n1, &p2, &n2) != 0) {
            AddLogText("サウンドデータの転送に失敗しました_1");
            return -1;
        }
        const uint32_t first = n1 < uint32_t(r->pcmSize) ? n1 : uint32_t(r->pcmSize);
        const bool fresh = p1 != written;
        written = p1;
        if (fresh) std::memcpy(p1, r->pcmData, first);
        if (fresh && p2 && first < uint32_t(r->pcmSize)) {
            const uint32_t rest = uint32_t(r->pcmSize) - first;
            std::memcpy(p2, r->pcmData + first, rest < n2 ? rest : n2);
        }
        if (SoundBufUnlock(&r->buffers[i], p1, n1, p2, n2) != 0) {
            AddLogText("サウンドデータの転送に失敗しました_2");
            return -1;
        }
    }
    return 0;
}

// Hands the decoded PCM to the record (the record then owns it) and fills its buffers.
int KeepPcm(LoadScope& load, SoundRecord* r) {
    const host::WAVEFORMATEX& format = load.format;
    r->frequency = int32_t(format.nSamplesPerSec);
    auto* references = static_cast<int32_t*>(TrackedAlloc(sizeof(int32_t), "", 0));
    if (!references) {
        AddLogFormat("サウンドデータの参照数を保存するメモリ領域の確保に失敗しました");
        return -1;
    }
    *references = 1;
    r->format = format;
    r->pcmSize = load.pcmSize;
    r->pcmData = load.pcm;
    r->dataReferences = references;
    load.pcm = nullptr;
    return FillBuffers(r);
}

// A stream over a copy of the image, whatever the load mode: an image has no file to read.
int LoadAsStream(const void* image, int32_t size, int handle, int shareHandle) {
    if (AddStreamSoundImage(image, size, 0, handle, kStreamFileImage, shareHandle) != 0) return -1;
    PrepareStreamSound(handle);
    return handle;
}

// The whole sound decoded to PCM. It touches no sound state, so it runs without the sound
// lock, which is the mixer's: output goes on while a long sound decodes.
int DecodeWhole(LoadScope& load, const void* image, int32_t size) {
    load.memory = OpenMemImageStream(image, size);
    const StreamDescriptor stream{*GetMemImageStreamFunctions(), ToStreamHandle(load.memory)};
    if (!load.memory || SetupSoundConvert(&stream, &load.convert) != 0) {
        AddLogFormat("音声ファイルのＰＣＭへの変換に失敗しました");
        return -1;
    }
    if (ConvertSoundWhole(&load.convert, &load.format, &load.pcm, &load.pcmSize) != 0) {
        AddLogFormat("音声ファイルを格納するメモリ領域の確保に失敗しました");
        return -1;
    }
    load.CloseDecoding();
    return 0;
}

// The size a whole decode is given: the stated total, but no more than a second past the
// longest memory sound. A longer sound is streamed after its decode whatever it holds, so
// the bound changes nothing but the allocation, which a file merely claiming gigabytes of
// PCM would otherwise get in full.
int MemorySoundBytes(SoundConvert* c) {
    const int size = GetSoundConvertDestSize(c);
    const int64_t bound = int64_t(kLongestMemorySoundSeconds + 1) * c->outputFormat.nAvgBytesPerSec;
    return size > bound ? int(bound) : size;
}

// The decoded PCM into the buffers of the new handle, under the sound lock: 1 done, -1
// failed, 0 when the sound is to stream instead (no PCM, more than the longest memory
// sound, or buffers that cannot be made), its PCM then dropped.
int InstallMemorySound(LoadScope& load, int bufferCount, int handle) {
    if (!load.pcm) return 0;
    SoundLockGuard guard(SoundLock());
    const uint32_t seconds = uint32_t(load.pcmSize) / load.format.nAvgBytesPerSec;
    if (seconds <= kLongestMemorySoundSeconds &&
        CreateSoundHandleBuffers(&load.format, load.pcmSize, kMemorySound, bufferCount, handle) == 0)
        return KeepPcm(load, FindSoundRecord(handle)) == 0 ? 1 : -1;
    TrackedFree(load.pcm);
    load.pcm = nullptr;
    return 0;
}

}  // namespace

int ConvertSoundWhole(SoundConvert* c, host::WAVEFORMATEX* format, uint8_t** pcm, int32_t* pcmSize) {
    const int size = MemorySoundBytes(c);
    if (size <= 0) return -1;
    auto* block = static_cast<uint8_t*>(TrackedAlloc(size_t(size), "", 0));
    if (!block) return -1;
    SeekSoundConvert(c, 0);
    int32_t got = 0;
    if (c->method == kConvertWavePcm) {
        // The data size is already cut to what the stream holds.
        got = int32_t(StreamReadSome(c->stream, block, uint32_t(size)));
    } else {
        got = ReadSoundConvert(c, block, size);
    }
    if (got <= 0) {
        TrackedFree(block);
        return -1;
    }
    GetSoundConvertFormat(c, format);
    *pcm = block;
    *pcmSize = got;
    return 0;
}

int CreateSoundHandleBuffers(const host::WAVEFORMATEX* format, int32_t pcmSize, int kind, int bufferCount,
                             int handle) {
    if (!SoundStarted() || !format) return -1;
    SoundRecord* r = FindSoundRecord(handle);
    if (!r) return -1;
    if (kind == kStreamSound) {
        if (CreateStreamBuffer(r, format) != 0) return -1;
    } else if (CreateMemoryBuffers(r, format, pcmSize, bufferCount) != 0) {
        return -1;
    }
    r->kind = kind;
    if (kind == kStreamSound) AddListNode(&Sound().streamHead, &r->streamNode, handle, r);
    return 0;
}

namespace {

// A load that names the handle it makes in `*handle`: the handle, or -1 (the caller then
// lets the handle go).
int LoadImageInto(const void* image, int32_t size, int bufferCount, int shareHandle, int* handle) {
    LoadScope load;
    if (Sound().loadMode == 0 && DecodeWhole(load, image, size) != 0) return -1;
    *handle = AddSoundData(-1);
    if (*handle == -1) return -1;
    // A stream opens its source without the sound lock, which is the mixer's.
    const int installed = InstallMemorySound(load, bufferCount, *handle);
    return installed == 1 ? *handle : installed == 0 ? LoadAsStream(image, size, *handle, shareHandle) : -1;
}

int LoadStreamInto(const char* fileName, int shareHandle, int* handle) {
    *handle = AddSoundData(-1);
    if (*handle == -1 || AddStreamSoundFile(fileName, 0, *handle, Sound().loadMode, shareHandle) != 0) return -1;
    PrepareStreamSound(*handle);
    return *handle;
}

// Runs a load that may make a handle. A library inside it throwing for want of memory
// fails the load like any other shortage, with a log line; a failed load's handle goes.
template <class Load>
int GuardLoad(const char* function, const char* path, Load load) {
    int handle = -1;
    const int result = UnlessShortOfMemory(function, path, -1, [&] { return load(&handle); });
    if (result == -1 && handle != -1) DeleteSound(handle, 0);
    return result;
}

}  // namespace

int LoadSoundFromImage(const void* image, int32_t size, int bufferCount, int shareHandle) {
    if (!SoundStarted() || bufferCount > kMaxSoundBuffers || !image || size <= 0) return -1;
    return GuardLoad("LoadSoundFromImage", nullptr,
                     [&](int* handle) { return LoadImageInto(image, size, bufferCount, shareHandle, handle); });
}

int LoadSoundCore(const char* fileName, int bufferCount, int shareHandle) {
    if (!SoundStarted()) return -1;
    if (bufferCount > kMaxSoundBuffers) bufferCount = kMaxSoundBuffers;
    if (Sound().loadMode != 0)
        return GuardLoad("LoadSound", fileName, [&](int* handle) { return LoadStreamInto(fileName, shareHandle, handle); });
    uint8_t* image = nullptr;
    int32_t size = 0;
    if (LoadFileToMemory(fileName, &image, &size) != 0) {
        AddLogFormat("右記の音声ファイルのロードに失敗しました_1：%s", fileName ? fileName : "");
        return -1;
    }
    const int handle = LoadSoundFromImage(image, size, bufferCount, -1);
    if (handle == -1) AddLogFormat("右記の音声ファイルのロードに失敗しました_2：%s", fileName);
    TrackedFree(image);
    return handle;
}

int LoadSound(const char* fileName, int bufferCount, int shareHandle) {
    return LoadSoundCore(fileName, bufferCount, shareHandle);
}

}  // namespace orvik
