// Whole files and streams into memory, and PCM wrapped as a WAVE file image.
#include <cstring>

#include "engine/platform/files/file_access.h"
#include "engine/platform/base/log.h"
#include "engine/platform/base/memory.h"
#include "engine/sound/core/sound_load.h"
#include "engine/sound/streams/stream_io.h"

namespace orvik {

namespace {

void PutLe32(uint8_t* at, uint32_t v) {
    for (int i = 0; i < 4; ++i) at[i] = uint8_t(v >> (8 * i));
}

// The tell at the end answers -1 for data past 2 GB, more than one block can hold.
bool TooLargeToLoad(int32_t bytes, const char* name) {
    if (bytes >= 0) return false;
    AddLogFormat("右記のデータは大きすぎてメモリに読み込めません：%s", name);
    return true;
}

}  // namespace

int LoadFileToMemory(const char* fileName, uint8_t** image, int32_t* size) {
    FileAccessHandle file = FileAccessOpen(fileName, 0, 1, 0);
    if (!file) {
        AddLogFormat("右記のファイルのオープンに失敗しました：%s", fileName ? fileName : "");
        return -1;
    }
    FileAccessSeek(file, 0, 2);
    const int32_t bytes = FileAccessTell(file);
    FileAccessSeek(file, 0, 0);
    if (TooLargeToLoad(bytes, fileName)) {
        FileAccessClose(file);
        return -1;
    }
    auto* block = bytes > 0 ? static_cast<uint8_t*>(TrackedAlloc(size_t(bytes), "", 0)) : nullptr;
    if (!block) {
        AddLogFormat("右記のファイルのロードに必要なメモリの確保に失敗しました：%s", fileName);
        FileAccessClose(file);
        return -1;
    }
    const size_t got = FileAccessRead(block, 1, size_t(bytes), file);
    FileAccessClose(file);
    if (got != size_t(bytes)) {
        AddLogFormat("右記のファイルを最後まで読めませんでした：%s", fileName);
        TrackedFree(block);
        return -1;
    }
    *image = block;
    *size = bytes;
    return 0;
}

int ReadStreamToMemory(const StreamDescriptor* stream, uint8_t** data, int32_t* size) {
    StreamSeek(*stream, 0, 2);
    const int32_t bytes = StreamTell(*stream);
    StreamSeek(*stream, 0, 0);
    if (TooLargeToLoad(bytes, "ストリーム")) return -1;
    auto* block = bytes > 0 ? static_cast<uint8_t*>(TrackedAlloc(size_t(bytes), "", 0)) : nullptr;
    if (!block) {
        AddLogFormat("ストリームの読み込みに必要なメモリの確保に失敗しました");
        return -1;
    }
    if (!StreamReadExact(*stream, block, uint32_t(bytes))) {
        TrackedFree(block);
        return -1;
    }
    *data = block;
    *size = bytes;
    return 0;
}

int MakeWaveFileImage(uint8_t** image, int32_t* size, const void* format, int32_t formatSize, const void* pcm,
                      int32_t pcmSize) {
    if (formatSize < 0 || pcmSize < 0 || int64_t(formatSize) + pcmSize + 28 > INT32_MAX) return -1;
    const int32_t total = formatSize + pcmSize + 28;
    auto* out = static_cast<uint8_t*>(TrackedAlloc(size_t(total), "", 0));
    if (!out) {
        AddLogText("仮WAVEファイルイメージ用のメモリ確保に失敗しました\n");
        return -1;
    }
    std::memcpy(out, "RIFF", 4);
    PutLe32(out + 4, uint32_t(total - 8));
    std::memcpy(out + 8, "WAVEfmt ", 8);
    PutLe32(out + 16, uint32_t(formatSize));
    if (formatSize) std::memcpy(out + 20, format, size_t(formatSize));
    std::memcpy(out + 20 + formatSize, "data", 4);
    PutLe32(out + 24 + formatSize, uint32_t(pcmSize));
    if (pcmSize) std::memcpy(out + 28 + formatSize, pcm, size_t(pcmSize));
    *image = out;
    *size = total;
    return 0;
}

}  // namespace orvik
