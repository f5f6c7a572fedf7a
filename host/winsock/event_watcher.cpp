// The thread behind WSAAsyncSelect: it polls the registered sockets for the events that
// are armed and posts each one to its window, disarming it until the call that re-enables it.
// Our own socket names first: the system headers define some of the same names as macros.
#include "host/winsock/socket_registry.h"
#include "host/win/window/message_queue.h"
#include "host/thread_start.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>


namespace host::winsock_detail {

namespace {

struct Watched {
    SOCKET id;
    int fd;
};

short WantedEvents(const SocketEntry& e) {
    if (!e.window || e.events == 0) return 0;
    if (e.listening) return (e.armed & FD_ACCEPT) ? POLLIN : 0;
    if (e.connecting) return (e.armed & FD_CONNECT) ? POLLOUT : 0;
    if (!e.connected && !e.datagram) return 0;
    short wanted = 0;
    // Data already announced is not polled again until a recv re-arms FD_READ; a stream's
    // close is found behind the data, once everything before it has been read.
    const long inbound = (e.datagram || (e.events & FD_READ)) ? FD_READ : FD_CLOSE;
    if (e.armed & inbound) wanted |= POLLIN;
    if (e.armed & FD_WRITE) wanted |= POLLOUT;
    return wanted;
}

void FinishConnect(SOCKET id, SocketEntry& e) {
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(e.fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
    e.connecting = false;
    e.connected = error == 0;
    PostEvent(id, e, FD_CONNECT, error ? SocketErrorFromErrno(error) : 0);
}

void ReportInbound(SOCKET id, SocketEntry& e) {
    char byte;
    const ssize_t n = ::recv(e.fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    if (n > 0) {
        if (e.armed & FD_READ) PostEvent(id, e, FD_READ, 0);
        return;
    }
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
    const int error = n == 0 ? 0 : SocketErrorFromErrno(errno);
    e.connected = false;
    PostEvent(id, e, FD_CLOSE, error);
    e.armed = 0;
}

void Deliver(SOCKET id, SocketEntry& e, short revents) {
    const bool inbound = revents & (POLLIN | POLLERR | POLLHUP);
    if (e.listening) {
        if (inbound) PostEvent(id, e, FD_ACCEPT, 0);
        return;
    }
    if (e.connecting) {
        if (revents) FinishConnect(id, e);
        return;
    }
    if (revents & POLLOUT && e.armed & FD_WRITE) PostEvent(id, e, FD_WRITE, 0);
    if (!inbound) return;
    // A datagram socket has no close to find: an empty datagram is data like any other.
    if (e.datagram) {
        if (e.armed & FD_READ) PostEvent(id, e, FD_READ, 0);
    } else if (e.armed & (FD_READ | FD_CLOSE)) {
        ReportInbound(id, e);
    }
}

// The sockets to poll now, after the wake-up descriptor. False once stopping.
bool Collect(std::vector<pollfd>& fds, std::vector<Watched>& watched) {
    auto& st = Winsock();
    std::lock_guard lock(st.mutex);
    if (st.stopping) return false;
    st.wakePending = false;
    fds.assign(1, pollfd{st.wakeFd, POLLIN, 0});
    watched.assign(1, Watched{INVALID_SOCKET, st.wakeFd});
    for (auto id = st.watched.begin(); id != st.watched.end();) {
        const auto it = st.sockets.find(*id);
        const short wanted = it == st.sockets.end() ? 0 : WantedEvents(it->second);
        if (wanted == 0) {
            id = st.watched.erase(id);
            continue;
        }
        fds.push_back(pollfd{it->second.fd, wanted, 0});
        watched.push_back(Watched{*id, it->second.fd});
        ++id;
    }
    return true;
}

void Dispatch(const std::vector<pollfd>& fds, const std::vector<Watched>& watched) {
    auto& st = Winsock();
    std::lock_guard lock(st.mutex);
    for (size_t i = 1; i < fds.size(); ++i) {
        if (!fds[i].revents) continue;
        auto it = st.sockets.find(watched[i].id);
        // Closed (and its descriptor perhaps reused) while the poll ran: nothing to say.
        if (it == st.sockets.end() || it->second.fd != watched[i].fd) continue;
        Deliver(it->first, it->second, short(fds[i].revents & (fds[i].events | POLLERR | POLLHUP)));
    }
}

void WatchLoop() {
    std::vector<pollfd> fds;
    std::vector<Watched> watched;
    while (Collect(fds, watched)) {
        if (::poll(fds.data(), fds.size(), -1) < 0) continue;
        if (fds[0].revents) {
            uint64_t count;
            [[maybe_unused]] ssize_t n = ::read(fds[0].fd, &count, sizeof count);
        }
        Dispatch(fds, watched);
    }
}

// A program may exit without the last WSACleanup; a thread still joinable when the
// registry is destroyed would end it in std::terminate.
void StopWatcherAtExit() {
    if (Winsock().watcher.joinable()) StopWatcher();
}

}  // namespace

bool StartWatcher() {
    static const bool stopsAtExit = std::atexit(StopWatcherAtExit) == 0;
    (void)stopsAtExit;
    auto& st = Winsock();
    st.stopping = false;
    st.wakePending = false;
    st.wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (st.wakeFd >= 0 && StartThread(st.watcher, WatchLoop)) return true;
    if (st.wakeFd >= 0) ::close(st.wakeFd);
    st.wakeFd = -1;
    return false;
}

void StopWatcher() {
    auto& st = Winsock();
    {
        std::lock_guard lock(st.mutex);
        st.stopping = true;
        WakeWatcher();
    }
    if (st.watcher.joinable()) st.watcher.join();
    std::lock_guard lock(st.mutex);
    if (st.wakeFd >= 0) ::close(st.wakeFd);
    st.wakeFd = -1;
}

}  // namespace host::winsock_detail
