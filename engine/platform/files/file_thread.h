// The reading thread a plain file gets when it is opened with the read-ahead cache or for
// asynchronous reading. The caller hands over one command at a time: it waits until the
// previous command is done, writes the new one and raises the request; the thread clears
// "done" while it works and raises it again afterwards. With a cache, the thread fills
// the 128 KB cache behind the last read whenever it has waited 100 ms without a request.
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

namespace orvik {

constexpr uint32_t kReadAheadCacheSize = 0x20000;

class FileThread {
public:
    FileThread() = default;
    FileThread(const FileThread&) = delete;
    FileThread& operator=(const FileThread&) = delete;
    ~FileThread();

    // Allocates the cache when asked, starts the thread and has it open the file.
    // Returns 0, or with nothing left running kNoCacheMemory, kNoThread or kOpenFailed.
    static constexpr int kNoCacheMemory = -1;
    static constexpr int kOpenFailed = -2;
    static constexpr int kNoThread = -3;
    int Start(const std::string& path, bool withCache);
    // Hands over a read of size bytes at position into destination; the caller waits with
    // WaitDone (or polls IsIdle) before touching the destination.
    void Read(uint8_t* destination, uint64_t position, size_t size);
    void Seek(uint64_t position);
    // Ends the thread, closes the file and frees the cache.
    void Stop();

    void WaitDone();
    bool IsIdle();
    // Bytes the last read really delivered (valid once the thread is idle).
    size_t LastReadSize();
    // Bytes waiting in the read-ahead cache (for tests and diagnostics).
    uint32_t CachedBytes() const { return cacheFill_.load(); }

private:
    enum Command { kOpen = 0, kClose = 1, kRead = 2, kSeek = 3, kEnd = 4 };

    // Waits until the previous command is done, lets setArguments write the new one's
    // arguments under the lock, and raises the request.
    template <typename SetArguments>
    void HandOver(Command command, SetArguments setArguments) {
        std::unique_lock lock(mutex_);
        signal_.wait(lock, [this] { return done_; });
        setArguments();
        command_ = command;
        done_ = false;
        request_ = true;
        signal_.notify_all();
    }
    void Run();
    void WaitForRequest(std::unique_lock<std::mutex>& lock);
    void FillCache();
    void DoRead();
    bool DoCommand(Command command);  // false ends the loop

    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable signal_;
    bool request_ = false;
    bool done_ = true;
    Command command_ = kOpen;
    bool openFailed_ = false;

    int fd_ = -1;
    std::string path_;
    uint8_t* readDestination_ = nullptr;
    uint64_t readPosition_ = 0;
    size_t readSize_ = 0;
    uint64_t seekPosition_ = 0;

    uint8_t* cache_ = nullptr;
    uint64_t cachePosition_ = 0;
    std::atomic<uint32_t> cacheFill_{0};
};

}  // namespace orvik
