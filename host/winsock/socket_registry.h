// The sockets of this process and the thread that watches them for WSAAsyncSelect: one
// table under one lock, shared by the socket calls and the event thread.
#pragma once
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "host/winsock/winsock.h"

namespace host::winsock_detail {

struct SocketEntry {
    int fd = -1;
    bool datagram = false;  // no connection: datagrams come and go from any address
    bool listening = false;
    bool connecting = false;  // a non-blocking connect whose FD_CONNECT is still to come
    bool connected = false;
    // WSAAsyncSelect: where the events go, which were asked for, and which of those may be
    // posted now (each is disarmed when posted until the call that re-enables it).
    HWND window = nullptr;
    uint32_t message = 0;
    long events = 0;
    long armed = 0;
};

struct WinsockState {
    std::mutex mutex;
    int started = 0;
    SOCKET nextId = 0x100;
    std::map<SOCKET, SocketEntry> sockets;
    // The sockets the watcher looks at: each one whose events or state changed since it
    // last found nothing to wait for in it. Sockets whose events are all posted drop out,
    // so a look costs the same however many of them wait for the program.
    std::set<SOCKET> watched;
    std::thread watcher;
    int wakeFd = -1;  // an eventfd that interrupts the watcher's poll
    // A wake-up was written since the watcher last collected its sockets: it looks at every
    // watched one before it waits again, so a further write would only cost a system call.
    bool wakePending = false;
    bool stopping = false;
};

WinsockState& Winsock();

// The calling thread's error for WSAGetLastError.
void SetSocketError(int code);
int SocketErrorFromErrno(int error);
// Sets the error and returns SOCKET_ERROR.
int FailWith(int code);

// The entry of a socket, or null after setting WSANOTINITIALISED or WSAENOTSOCK. Call
// with the lock held.
SocketEntry* FindSocket(SOCKET s);
// Disarms the event and posts it to the socket's window when it was asked for. Lock held.
void PostEvent(SOCKET s, SocketEntry& entry, long event, int error);
// Arms events again (those registered among `events`) and wakes the watcher. Lock held.
void Rearm(SOCKET s, SocketEntry& entry, long events);
// What a receive does to FD_READ once it was posted: data still waiting is posted again at
// once, as WinSock does, so a socket read a piece at a time keeps the watcher out of it;
// an emptied socket is armed and watched for more. Lock held.
void ReenableRead(SOCKET s, SocketEntry& entry);
// Has the watcher look at the socket again, after a change to its events or state, and
// wakes it. Lock held.
void WatchAgain(SOCKET s);
void WakeWatcher();

// The watcher runs from the first WSAStartup to the last WSACleanup. Call with the lock
// held; false, with nothing running, when the system refuses its thread or descriptor.
bool StartWatcher();
// Call without the lock: it joins the thread.
void StopWatcher();

}  // namespace host::winsock_detail
