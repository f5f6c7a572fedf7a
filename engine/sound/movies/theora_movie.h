// Ogg Theora movies: the file is scanned once at open into a page table and a keyframe
// table, then a decode thread of the movie's own keeps a small stock of decoded frames
// from the current frame onwards (wrapping to the start near the end) and seeks by the
// page table. The main thread only moves the current frame and converts the frame it
// shows. The two threads share the request flags, the current frame and the stock under
// one mutex; everything of Ogg and Theora belongs to the thread alone once it runs.
#pragma once
#include <theora/theora.h>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/graphics/images/base_image.h"
#include "engine/platform/files/file_access.h"
#include "host/d3d9/device/d3d9_types.h"

namespace host {
class Surface;
}

namespace orvik {

enum TheoraThreadState : int32_t {
    kTheoraIdle = 0,      // every stock frame is in use
    kTheoraDecoding = 1,
    kTheoraSeeking = 2,
    kTheoraEnded = 3,
    kTheoraPaused = 4,
};

struct TheoraStockFrame {
    int32_t valid = 0;
    int32_t frameNo = 0;
    std::vector<uint8_t> y, u, v;
    int32_t yWidth = 0, yHeight = 0, yStride = 0;
    int32_t cWidth = 0, cHeight = 0, cStride = 0;
};

struct TheoraPageEntry {
    int64_t offset;      // of the page in the file
    int32_t firstFrame;  // the first frame whose packet comes out after the page is read
    int32_t keyframe;    // 1 when one of its frames is a keyframe
    int32_t frames;      // frames whose packets come out before the next page is read
};

struct TheoraMovieInfo {
    double frameRate;
    int32_t frameCount;
    int32_t width, height;  // encoded frame size
};

struct TheoraMovie {
    // Shared with the decode thread, under lock.
    std::mutex lock;
    std::condition_variable changed;  // any shared field below moved
    int32_t state = kTheoraPaused;
    int32_t pauseRequest = 1;
    int32_t stopRequest = 0;
    int32_t seekRequest = 0;
    int32_t seekTarget = 0;
    int32_t endOfStream = 0;
    int32_t currentFrame = -1;
    std::vector<TheoraStockFrame> stock;
    std::thread thread;

    // The file, read through a copy of the operations table taken at open.
    FileAccessFunctions fileFunctions{};
    FileAccessHandle file = 0;

    // Ogg and Theora: the thread's alone after open.
    ogg_sync_state syncState{};
    ogg_page oggPage{};
    ogg_stream_state streamState{};
    bool streamMade = false;
    ogg_packet packet{};
    theora_info info{};
    theora_comment comment{};
    theora_state decoder{};
    bool decoderMade = false;
    int32_t headerCount = 0;
    int32_t decodedFrame = -1;    // frame whose packet was read last; -1 before the first
    bool outputReady = false;     // the decoder's output holds decodedFrame's picture
    bool pictureDecoded = false;  // the decoder has given a picture since it was made

    std::vector<TheoraPageEntry> pageTable;
    std::vector<uint8_t> keyframeTable;
    int64_t frameCount = 0;

    // Main thread only.
    BaseImage frameImage{};
    int32_t imageDone = 0;
    host::Surface* surface = nullptr;  // the frame in a video format, on the Direct3D device
    host::D3DFORMAT surfaceFormat = host::D3DFMT_UNKNOWN;
    int32_t surfaceDone = 0;
};

// Null when the file is no Theora movie (without a log line) or when anything else fails
// (with one). The file stays the caller's.
TheoraMovie* OpenTheoraMovie(const FileAccessFunctions* functions, FileAccessHandle file, int stockCount);
// Ends the thread and frees everything but the file. 0.
int CloseTheoraMovie(TheoraMovie* movie);
int GetTheoraMovieInfo(const TheoraMovie* movie, TheoraMovieInfo* info);
int GetTheoraCurrentFrame(TheoraMovie* movie);
BaseImage* GetTheoraFrameImage(TheoraMovie* movie);
// Makes f (clamped to 0 ... frame count) the current frame by a seek of the thread.
int SeekTheoraFrame(TheoraMovie* movie, int32_t frame);
// Moves the current frame on by n (wrapping once past the end); nothing for n < 1.
int AdvanceTheoraFrame(TheoraMovie* movie, int32_t n);
// Converts the current frame into the frame image and/or the surface, those asked for
// that do not hold it yet (into the image when the surface cannot take it): 1 when it
// was converted, 0 when there was nothing to do or no frame to be had.
int ConvertTheoraFrame(TheoraMovie* movie, int wantImage, int wantSurface = 0);
// (Re)makes the surface in the first of YV12, YUY2, UYVY that the device takes; none
// without a Direct3D device.
void SetupTheoraSurface(TheoraMovie* movie);
host::Surface* GetTheoraSurface(TheoraMovie* movie);
// After ConvertTheoraFrame: the surface graphics copies into its texture, or null when the
// current frame went into the frame image instead.
host::Surface* GetTheoraTexture(TheoraMovie* movie);
// Inside the decoder (theora_surface.cpp): the stock frame into the surface; false when
// it does not fit the surface's format or the surface cannot be locked.
bool CopyFrameToSurface(TheoraMovie* movie, const TheoraStockFrame& frame);
void ReleaseTheoraSurface(TheoraMovie* movie);

// Inside the decoder (theora_scan.cpp, theora_decode.cpp, theora_seek.cpp).
int32_t ReadTheoraFileChunk(TheoraMovie* movie, int32_t bytes);
int ScanTheoraHeaders(TheoraMovie* movie);
int BuildTheoraTables(TheoraMovie* movie);
int DecodeTheoraFrames(TheoraMovie* movie, int32_t n);
void RewindTheoraStream(TheoraMovie* movie, int64_t offset);
// Positions the decoder so that target is its output; false when it cannot be reached.
bool SeekTheoraDecoder(TheoraMovie* movie, int32_t target);
// Whether a seek to want passes over much of the file that reading on to it would read:
// want's keyframe lies far past the page of the frame decoded last.
bool TheoraSeekPassesOver(const TheoraMovie* movie, int32_t want);
void TheoraDecodeThread(TheoraMovie* movie);

constexpr int32_t kTheoraReadChunk = 4096;

}  // namespace orvik
