#include "host/winsock/socket_registry.h"
#include "host/win/window/message_queue.h"

#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace host::winsock_detail {

namespace {
WinsockState g_state;
thread_local int t_lastError = 0;

struct ErrnoCode {
    int error;
    int code;
};
const ErrnoCode kErrnoCodes[] = {
    {EAGAIN, WSAEWOULDBLOCK},       {EINPROGRESS, WSAEWOULDBLOCK}, {EINTR, WSAEINTR},
    {EBADF, WSAENOTSOCK},           {EACCES, WSAEACCES},           {EFAULT, WSAEFAULT},
    {EINVAL, WSAEINVAL},            {EMFILE, WSAEMFILE},           {ENFILE, WSAEMFILE},
    {EALREADY, WSAEALREADY},        {ENOTSOCK, WSAENOTSOCK},       {EMSGSIZE, WSAEMSGSIZE},
    {EDESTADDRREQ, WSAEDESTADDRREQ},
    {EAFNOSUPPORT, WSAEAFNOSUPPORT}, {EADDRINUSE, WSAEADDRINUSE},  {EADDRNOTAVAIL, WSAEADDRNOTAVAIL},
    {ENETUNREACH, WSAENETUNREACH},  {ECONNABORTED, WSAECONNABORTED}, {ECONNRESET, WSAECONNRESET},
    {EPIPE, WSAECONNRESET},         {ENOBUFS, WSAENOBUFS},         {ENOMEM, WSAENOBUFS},
    {EISCONN, WSAEISCONN},          {ENOTCONN, WSAENOTCONN},       {ESHUTDOWN, WSAESHUTDOWN},
    {ETIMEDOUT, WSAETIMEDOUT},      {ECONNREFUSED, WSAECONNREFUSED},
};
}  // namespace

WinsockState& Winsock() { return g_state; }

void SetSocketError(int code) { t_lastError = code; }

int SocketErrorFromErrno(int error) {
    if (error == EWOULDBLOCK) return WSAEWOULDBLOCK;
    for (const ErrnoCode& e : kErrnoCodes)
        if (e.error == error) return e.code;
    return WSAEINVAL;
}

int FailWith(int code) {
    SetSocketError(code);
    return SOCKET_ERROR;
}

SocketEntry* FindSocket(SOCKET s) {
    if (g_state.started == 0) {
        SetSocketError(WSANOTINITIALISED);
        return nullptr;
    }
    auto it = g_state.sockets.find(s);
    if (it == g_state.sockets.end()) {
        SetSocketError(WSAENOTSOCK);
        return nullptr;
    }
    return &it->second;
}

void PostEvent(SOCKET s, SocketEntry& e, long event, int error) {
    e.armed &= ~event;
    if (e.events & event) PostMessageA(e.window, e.message, WPARAM(s), MAKELPARAM(int(event), error));
}

void ReenableRead(SOCKET s, SocketEntry& e) {
    if (!(e.events & FD_READ) || (e.armed & FD_READ)) return;
    int waiting = 0;
    if (::ioctl(e.fd, FIONREAD, &waiting) == 0 && waiting > 0)
        PostEvent(s, e, FD_READ, 0);
    else
        Rearm(s, e, FD_READ);
}

void Rearm(SOCKET s, SocketEntry& entry, long events) {
    const long again = entry.events & events & ~entry.armed;
    if (again == 0) return;
    entry.armed |= again;
    WatchAgain(s);
}

void WatchAgain(SOCKET s) {
    g_state.watched.insert(s);
    WakeWatcher();
}

void WakeWatcher() {
    if (g_state.wakeFd < 0 || g_state.wakePending) return;
    g_state.wakePending = true;
    const uint64_t one = 1;
    // A full counter already means "wake up", so a failed write loses nothing.
    [[maybe_unused]] ssize_t n = ::write(g_state.wakeFd, &one, sizeof one);
}

}  // namespace host::winsock_detail

namespace host {
int WSAGetLastError() { return winsock_detail::t_lastError; }
}  // namespace host
