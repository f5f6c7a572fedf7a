#include "host/sync.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <thread>
#include <unordered_map>

#include "host/clock.h"
#include "host/thread_start.h"

namespace host {

namespace {

struct KernelObject {
    std::mutex mutex;
    std::condition_variable changed;
    bool signalled = false;
    bool manualReset = true;
    // Threads only.
    std::thread thread;
    uint32_t exitCode = STILL_ACTIVE;
    int priority = THREAD_PRIORITY_NORMAL;
    bool isThread = false;

    // A thread still running when its object goes (only at process exit, as handles
    // join on close) is let go rather than taking the process down.
    ~KernelObject() {
        if (thread.joinable()) thread.detach();
    }
};

struct Registry {
    std::mutex mutex;
    std::unordered_map<uintptr_t, std::shared_ptr<KernelObject>> objects;
    uintptr_t nextKey = 1;
};

// Never destroyed: threads may still use it while static objects are torn down.
Registry& Objects() {
    static Registry* registry = new Registry;
    return *registry;
}

HANDLE Register(std::shared_ptr<KernelObject> object) {
    Registry& r = Objects();
    std::lock_guard lock(r.mutex);
    const uintptr_t key = r.nextKey++;
    r.objects.emplace(key, std::move(object));
    return reinterpret_cast<HANDLE>(key);
}

std::shared_ptr<KernelObject> Find(HANDLE handle) {
    Registry& r = Objects();
    std::lock_guard lock(r.mutex);
    auto it = r.objects.find(reinterpret_cast<uintptr_t>(handle));
    return it == r.objects.end() ? nullptr : it->second;
}

void Signal(KernelObject& object) {
    {
        std::lock_guard lock(object.mutex);
        object.signalled = true;
    }
    object.changed.notify_all();
}

}  // namespace

HANDLE CreateEvent(bool manualReset, bool initialState) {
    auto event = std::make_shared<KernelObject>();
    event->manualReset = manualReset;
    event->signalled = initialState;
    return Register(std::move(event));
}

bool SetEvent(HANDLE event) {
    auto object = Find(event);
    if (!object || object->isThread) return false;
    Signal(*object);
    return true;
}

bool ResetEvent(HANDLE event) {
    auto object = Find(event);
    if (!object || object->isThread) return false;
    std::lock_guard lock(object->mutex);
    object->signalled = false;
    return true;
}

uint32_t WaitForSingleObject(HANDLE handle, uint32_t milliseconds) {
    auto object = Find(handle);
    if (!object) return WAIT_FAILED;
    std::unique_lock lock(object->mutex);
    auto ready = [&] { return object->signalled; };
    if (milliseconds == INFINITE) {
        object->changed.wait(lock, ready);
    } else if (!object->changed.wait_for(lock, std::chrono::milliseconds(milliseconds), ready)) {
        return WAIT_TIMEOUT;
    }
    if (!object->manualReset) object->signalled = false;
    return WAIT_OBJECT_0;
}

bool CloseHandle(HANDLE handle) {
    std::shared_ptr<KernelObject> object;
    {
        Registry& r = Objects();
        std::lock_guard lock(r.mutex);
        auto it = r.objects.find(reinterpret_cast<uintptr_t>(handle));
        if (it == r.objects.end()) return false;
        object = std::move(it->second);
        r.objects.erase(it);
    }
    if (object->thread.joinable()) {
        if (object->thread.get_id() == std::this_thread::get_id()) {
            object->thread.detach();
        } else {
            object->thread.join();
        }
    }
    return true;
}

HANDLE CreateThread(ThreadProc proc, void* parameter, uint32_t* threadId) {
    if (!proc) return nullptr;
    auto object = std::make_shared<KernelObject>();
    object->isThread = true;
    auto idReady = std::make_shared<std::atomic<uint32_t>>(0);
    std::weak_ptr<KernelObject> weak = object;
    // The handle must exist before the thread can finish, so the object is registered
    // first and the thread started afterwards under its lock.
    HANDLE handle = Register(object);
    bool started = false;
    {
        std::lock_guard lock(object->mutex);
        started = StartThread(object->thread, [proc, parameter, weak, idReady] {
            idReady->store(GetCurrentThreadId());
            idReady->notify_all();
            const uint32_t code = proc(parameter);
            if (auto self = weak.lock()) {
                {
                    std::lock_guard inner(self->mutex);
                    self->exitCode = code;
                }
                Signal(*self);
            }
        });
    }
    if (!started) {
        CloseHandle(handle);
        return nullptr;
    }
    idReady->wait(0);
    if (threadId) *threadId = idReady->load();
    return handle;
}

bool GetExitCodeThread(HANDLE thread, uint32_t* exitCode) {
    auto object = Find(thread);
    if (!object || !object->isThread || !exitCode) return false;
    std::lock_guard lock(object->mutex);
    *exitCode = object->exitCode;
    return true;
}

bool SetThreadPriority(HANDLE thread, int priority) {
    auto object = Find(thread);
    if (!object || !object->isThread) return false;
    std::lock_guard lock(object->mutex);
    object->priority = priority;
    return true;
}

int GetThreadPriority(HANDLE thread) {
    auto object = Find(thread);
    if (!object || !object->isThread) return THREAD_PRIORITY_NORMAL;
    std::lock_guard lock(object->mutex);
    return object->priority;
}

uint32_t GetCurrentThreadId() {
    static std::atomic<uint32_t> next{1};
    thread_local const uint32_t id = next++;
    return id;
}

void Sleep(uint32_t milliseconds) {
    if (IsManualClock()) {
        AdvanceManualClock(int64_t(milliseconds) * 1000);
        std::this_thread::yield();
        return;
    }
    if (milliseconds == 0) {
        std::this_thread::yield();
    } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
}

void InitializeCriticalSection(CRITICAL_SECTION*) {}
void EnterCriticalSection(CRITICAL_SECTION* section) { section->mutex.lock(); }
void LeaveCriticalSection(CRITICAL_SECTION* section) { section->mutex.unlock(); }
void DeleteCriticalSection(CRITICAL_SECTION*) {}

}  // namespace host
