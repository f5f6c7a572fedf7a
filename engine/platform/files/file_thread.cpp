#include "engine/platform/files/file_thread.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "engine/platform/base/io_arithmetic.h"
#include "engine/platform/base/memory.h"
#include "host/thread_start.h"

namespace orvik {
namespace {

constexpr auto kCacheIdleWait = std::chrono::milliseconds(100);

}  // namespace

FileThread::~FileThread() { Stop(); }

int FileThread::Start(const std::string& path, bool withCache) {
    if (withCache) {
        cache_ = static_cast<uint8_t*>(TrackedAlloc(kReadAheadCacheSize, __FILE__, __LINE__));
        if (cache_ == nullptr) return kNoCacheMemory;
    }
    path_ = path;
    if (!host::StartThread(thread_, [this] { Run(); })) {
        Stop();
        return kNoThread;
    }
    HandOver(kOpen, [] {});
    WaitDone();
    if (!openFailed_) return 0;
    thread_.join();
    Stop();
    return kOpenFailed;
}

void FileThread::Read(uint8_t* destination, uint64_t position, size_t size) {
    HandOver(kRead, [&] {
        readDestination_ = destination;
        readPosition_ = position;
        readSize_ = size;
    });
}

void FileThread::Seek(uint64_t position) {
    HandOver(kSeek, [&] { seekPosition_ = position; });
}

void FileThread::Stop() {
    if (thread_.joinable()) {
        HandOver(kEnd, [] {});
        WaitDone();
        thread_.join();
    }
    TrackedFree(cache_);
    cache_ = nullptr;
}

void FileThread::WaitDone() {
    std::unique_lock lock(mutex_);
    signal_.wait(lock, [this] { return done_; });
}

bool FileThread::IsIdle() {
    std::lock_guard lock(mutex_);
    return done_;
}

size_t FileThread::LastReadSize() {
    std::lock_guard lock(mutex_);
    return readSize_;
}

// Waits for the next request; with a cache, every 100 ms without one is used to read
// ahead. Called with the lock held; returns with it held.
void FileThread::WaitForRequest(std::unique_lock<std::mutex>& lock) {
    while (!request_) {
        if (cache_ == nullptr) {
            signal_.wait(lock, [this] { return request_; });
        } else if (!signal_.wait_for(lock, kCacheIdleWait, [this] { return request_; })) {
            lock.unlock();
            FillCache();
            lock.lock();
        }
    }
    request_ = false;
}

void FileThread::FillCache() {
    const uint32_t fill = cacheFill_.load();
    if (fd_ < 0 || fill >= kReadAheadCacheSize) return;
    const auto got = static_cast<uint32_t>(
        ReadFileAt(fd_, cache_ + fill, cachePosition_ + fill, kReadAheadCacheSize - fill));
    cacheFill_.store(fill + got);
}

void FileThread::DoRead() {
    uint32_t fill = cacheFill_.load();
    size_t delivered = 0;
    if (cache_ != nullptr && fill != 0 && readPosition_ == cachePosition_) {
        const size_t take = std::min<size_t>(readSize_, fill);
        std::memcpy(readDestination_, cache_, take);
        std::memmove(cache_, cache_ + take, fill - take);
        readDestination_ += take;
        readPosition_ += take;
        cachePosition_ += take;
        readSize_ -= take;
        fill -= static_cast<uint32_t>(take);
        cacheFill_.store(fill);
        delivered = take;
    }
    if (readSize_ > 0) {
        const size_t got = ReadFileAt(fd_, readDestination_, readPosition_, readSize_);
        delivered += got;
        if (cache_ != nullptr) {
            cacheFill_.store(0);
            cachePosition_ = readPosition_ + got;
        }
    }
    readSize_ = delivered;
}

bool FileThread::DoCommand(Command command) {
    switch (command) {
        case kOpen:
            fd_ = open(path_.c_str(), O_RDONLY | O_CLOEXEC);
            openFailed_ = fd_ < 0;
            return !openFailed_;
        case kClose:
            if (fd_ >= 0) close(fd_);
            fd_ = -1;
            return true;
        case kRead:
            DoRead();
            return true;
        case kSeek:
            if (cache_ != nullptr) {
                cacheFill_.store(0);
                cachePosition_ = seekPosition_;
            }
            return true;
        case kEnd:
            return false;
    }
    return false;
}

void FileThread::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        WaitForRequest(lock);
        const Command command = command_;
        lock.unlock();
        const bool goOn = DoCommand(command);
        lock.lock();
        if (!goOn) break;
        done_ = true;
        signal_.notify_all();
    }
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
    done_ = true;
    signal_.notify_all();
}

}  // namespace orvik
