// The socket calls: each finds its socket under the lock, then runs the POSIX call
// outside it, so a blocking call never holds up the event thread or other sockets.
// Our own socket names first: the system headers define some of the same names as macros.
#include "host/winsock/socket_registry.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>


namespace host {

using namespace winsock_detail;

namespace {

// The buffers every socket gets, so that short sends and split receives come at the
// same sizes on every machine.
constexpr int kSocketBufferBytes = 64 * 1024;

// A socket's descriptor and kind; fd -1 with the error set.
struct Target {
    int fd = -1;
    bool datagram = false;
};

Target TargetOf(SOCKET s) {
    std::lock_guard lock(Winsock().mutex);
    SocketEntry* e = FindSocket(s);
    return e ? Target{e->fd, e->datagram} : Target{};
}

int DescriptorOf(SOCKET s) { return TargetOf(s).fd; }

int FailFromErrno() { return FailWith(SocketErrorFromErrno(errno)); }

sockaddr_in ToPosix(const SOCKADDR_IN& a) {
    sockaddr_in p{};
    p.sin_family = AF_INET;
    p.sin_port = a.sin_port;
    p.sin_addr.s_addr = a.sin_addr;
    return p;
}

void FromPosix(const sockaddr_in& p, SOCKADDR_IN* out, int* length) {
    if (!out || !length || *length < int(sizeof(SOCKADDR_IN))) return;
    *out = SOCKADDR_IN{};
    out->sin_port = p.sin_port;
    out->sin_addr = p.sin_addr.s_addr;
    *length = int(sizeof(SOCKADDR_IN));
}

bool ValidAddress(const SOCKADDR_IN* address, int length) {
    return address && length >= int(sizeof(SOCKADDR_IN)) && address->sin_family == AF_INET;
}

SOCKET Register(int fd, bool connected, bool datagram) {
    auto& st = Winsock();
    SocketEntry e;
    e.fd = fd;
    e.connected = connected;
    e.datagram = datagram;
    const SOCKET id = st.nextId++;
    st.sockets[id] = e;
    return id;
}

bool IsNonBlocking(int fd) { return (::fcntl(fd, F_GETFL) & O_NONBLOCK) != 0; }

void SetNonBlocking(int fd, bool on) {
    const int flags = ::fcntl(fd, F_GETFL);
    ::fcntl(fd, F_SETFL, on ? flags | O_NONBLOCK : flags & ~O_NONBLOCK);
}

}  // namespace

int WSAStartup(uint16_t version, WSADATA* data) {
    if (!data) return WSAEFAULT;
    // Versions below 1.1 were never supported; anything newer is served as 2.2.
    if ((version & 0xFF) < 1 || ((version & 0xFF) == 1 && (version >> 8) < 1)) return WSAVERNOTSUPPORTED;
    *data = WSADATA{};
    data->wVersion = uint16_t(version < 0x0202 ? version : 0x0202);
    data->wHighVersion = 0x0202;
    std::strcpy(data->szDescription, "Orvik sockets");
    std::strcpy(data->szSystemStatus, "Running");
    auto& st = Winsock();
    std::lock_guard lock(st.mutex);
    if (st.started == 0 && !StartWatcher()) return WSASYSNOTREADY;
    ++st.started;
    return 0;
}

int WSACleanup() {
    auto& st = Winsock();
    {
        std::lock_guard lock(st.mutex);
        if (st.started == 0) return FailWith(WSANOTINITIALISED);
        if (--st.started > 0) return 0;
        for (auto& [id, e] : st.sockets) ::close(e.fd);
        st.sockets.clear();
        st.watched.clear();
    }
    StopWatcher();
    return 0;
}

void ResetWinsock() {
    {
        std::lock_guard lock(Winsock().mutex);
        if (Winsock().started == 0) return;
        Winsock().started = 1;
    }
    WSACleanup();
}

int CountOpenSockets() {
    std::lock_guard lock(Winsock().mutex);
    return int(Winsock().sockets.size());
}

SOCKET socket(int family, int type, int protocol) {
    std::lock_guard lock(Winsock().mutex);
    if (Winsock().started == 0) return SOCKET(FailWith(WSANOTINITIALISED));
    const bool datagram = type == SOCK_DGRAM;
    const int ownProtocol = datagram ? IPPROTO_UDP : IPPROTO_TCP;
    if (family != AF_INET || (type != SOCK_STREAM && !datagram) || (protocol != 0 && protocol != ownProtocol))
        return SOCKET(FailWith(WSAEAFNOSUPPORT));
    const int fd = ::socket(PF_INET, (datagram ? ::SOCK_DGRAM : ::SOCK_STREAM) | SOCK_CLOEXEC, 0);
    if (fd < 0) return SOCKET(FailFromErrno());
    const int size = kSocketBufferBytes;
    ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    return Register(fd, false, datagram);
}

int bind(SOCKET s, const SOCKADDR_IN* address, int length) {
    const Target t = TargetOf(s);
    if (t.fd < 0) return SOCKET_ERROR;
    if (!ValidAddress(address, length)) return FailWith(WSAEFAULT);
    // A stream port may be listened on again at once after a close. A datagram port would
    // be shared by two live sockets, the newer one quietly taking the other's datagrams.
    const int on = 1;
    if (!t.datagram) ::setsockopt(t.fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    const sockaddr_in p = ToPosix(*address);
    return ::bind(t.fd, reinterpret_cast<const sockaddr*>(&p), sizeof p) == 0 ? 0 : FailFromErrno();
}

int listen(SOCKET s, int backlog) {
    std::lock_guard lock(Winsock().mutex);
    SocketEntry* e = FindSocket(s);
    if (!e) return SOCKET_ERROR;
    if (::listen(e->fd, backlog) != 0) return FailFromErrno();
    e->listening = true;
    WatchAgain(s);
    return 0;
}

SOCKET accept(SOCKET s, SOCKADDR_IN* address, int* length) {
    int fd;
    {
        std::lock_guard lock(Winsock().mutex);
        SocketEntry* e = FindSocket(s);
        if (!e) return INVALID_SOCKET;
        if (!e->listening) return SOCKET(FailWith(WSAEINVAL));
        fd = e->fd;
    }
    sockaddr_in peer{};
    socklen_t peerLength = sizeof peer;
    const int taken = ::accept4(fd, reinterpret_cast<sockaddr*>(&peer), &peerLength, SOCK_CLOEXEC);
    const int error = errno;
    std::lock_guard lock(Winsock().mutex);
    // Whether or not one was there, FD_ACCEPT may come again for the next connection.
    if (SocketEntry* e = FindSocket(s)) Rearm(s, *e, FD_ACCEPT);
    if (taken < 0) return SOCKET(FailWith(SocketErrorFromErrno(error)));
    SetNonBlocking(taken, IsNonBlocking(fd));
    FromPosix(peer, address, length);
    return Register(taken, true, false);
}

int connect(SOCKET s, const SOCKADDR_IN* address, int length) {
    const int fd = DescriptorOf(s);
    if (fd < 0) return SOCKET_ERROR;
    if (!ValidAddress(address, length)) return FailWith(WSAEFAULT);
    const sockaddr_in p = ToPosix(*address);
    const int r = ::connect(fd, reinterpret_cast<const sockaddr*>(&p), sizeof p);
    const int error = errno;
    std::lock_guard lock(Winsock().mutex);
    SocketEntry* e = FindSocket(s);
    if (!e) return SOCKET_ERROR;
    if (r != 0 && error != EINPROGRESS) return FailWith(SocketErrorFromErrno(error));
    // A non-blocking stream connect always reports through FD_CONNECT, even one done at
    // once. A datagram socket only notes its default peer: there is nothing to wait for.
    e->connecting = !e->datagram && IsNonBlocking(fd);
    e->connected = !e->connecting;
    WatchAgain(s);
    return e->connecting ? FailWith(WSAEWOULDBLOCK) : 0;
}

int recv(SOCKET s, char* buffer, int length, int flags) { return recvfrom(s, buffer, length, flags, nullptr, nullptr); }

int send(SOCKET s, const char* buffer, int length, int flags) { return sendto(s, buffer, length, flags, nullptr, 0); }

int recvfrom(SOCKET s, char* buffer, int length, int flags, SOCKADDR_IN* from, int* fromLength) {
    const Target t = TargetOf(s);
    if (t.fd < 0) return SOCKET_ERROR;
    if (length < 0 || (length > 0 && !buffer) || (flags & ~MSG_PEEK)) return FailWith(WSAEINVAL);
    if (from && (!fromLength || *fromLength < int(sizeof(SOCKADDR_IN)))) return FailWith(WSAEFAULT);
    // A datagram's whole length comes back even when the buffer holds only its start (a
    // stream's MSG_TRUNC would throw the data away instead).
    const int posixFlags = ((flags & MSG_PEEK) ? ::MSG_PEEK : 0) | (t.datagram ? ::MSG_TRUNC : 0);
    sockaddr_in peer{};
    socklen_t peerLength = sizeof peer;
    const ssize_t n =
        ::recvfrom(t.fd, buffer, size_t(length), posixFlags, reinterpret_cast<sockaddr*>(&peer), &peerLength);
    const int error = errno;
    {
        std::lock_guard lock(Winsock().mutex);
        if (SocketEntry* e = FindSocket(s)) ReenableRead(s, *e);
    }
    if (n < 0) return FailWith(SocketErrorFromErrno(error));
    if (from && t.datagram) FromPosix(peer, from, fromLength);
    return n <= length ? int(n) : FailWith(WSAEMSGSIZE);
}

int sendto(SOCKET s, const char* buffer, int length, int flags, const SOCKADDR_IN* to, int toLength) {
    const int fd = DescriptorOf(s);
    if (fd < 0) return SOCKET_ERROR;
    if (length < 0 || (length > 0 && !buffer) || flags != 0) return FailWith(WSAEINVAL);
    if (to && !ValidAddress(to, toLength)) return FailWith(WSAEFAULT);
    const sockaddr_in p = to ? ToPosix(*to) : sockaddr_in{};
    const sockaddr* posixTo = to ? reinterpret_cast<const sockaddr*>(&p) : nullptr;
    const ssize_t n = ::sendto(fd, buffer, size_t(length), MSG_NOSIGNAL, posixTo, to ? sizeof p : 0);
    if (n >= 0) return int(n);
    const int error = errno;
    std::lock_guard lock(Winsock().mutex);
    SocketEntry* e = FindSocket(s);
    if (e && (error == EAGAIN || error == EWOULDBLOCK)) Rearm(s, *e, FD_WRITE);
    return FailWith(SocketErrorFromErrno(error));
}

int closesocket(SOCKET s) {
    std::lock_guard lock(Winsock().mutex);
    if (!FindSocket(s)) return SOCKET_ERROR;
    auto it = Winsock().sockets.find(s);
    ::close(it->second.fd);
    Winsock().sockets.erase(it);
    Winsock().watched.erase(s);
    WakeWatcher();
    return 0;
}

int ioctlsocket(SOCKET s, long command, uint32_t* argument) {
    std::lock_guard lock(Winsock().mutex);
    SocketEntry* e = FindSocket(s);
    if (!e) return SOCKET_ERROR;
    if (command != FIONBIO || !argument) return FailWith(WSAEINVAL);
    // Registered sockets stay non-blocking, as WinSock refuses to make them blocking.
    if (*argument == 0 && e->events != 0) return FailWith(WSAEINVAL);
    SetNonBlocking(e->fd, *argument != 0);
    return 0;
}

int getsockname(SOCKET s, SOCKADDR_IN* address, int* length) {
    const int fd = DescriptorOf(s);
    if (fd < 0) return SOCKET_ERROR;
    if (!address || !length || *length < int(sizeof(SOCKADDR_IN))) return FailWith(WSAEFAULT);
    sockaddr_in p{};
    socklen_t size = sizeof p;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&p), &size) != 0) return FailFromErrno();
    FromPosix(p, address, length);
    return 0;
}

int WSAAsyncSelect(SOCKET s, HWND window, uint32_t message, long events) {
    std::lock_guard lock(Winsock().mutex);
    SocketEntry* e = FindSocket(s);
    if (!e) return SOCKET_ERROR;
    if (events != 0 && !window) return FailWith(WSAEINVAL);
    // Every event is armed afresh: what is already true is posted at once.
    e->window = window;
    e->message = message;
    e->events = events;
    e->armed = events;
    if (events) SetNonBlocking(e->fd, true);
    WatchAgain(s);
    return 0;
}

}  // namespace host
