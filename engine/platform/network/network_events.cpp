// Socket events as the network window receives them, and taking new connections.
#include "engine/platform/base/log.h"
#include "engine/platform/network/network.h"
#include "engine/platform/network/network_state.h"

namespace orvik {

namespace {

constexpr long kStreamEvents = host::FD_READ | host::FD_WRITE | host::FD_CLOSE;

void NoteOtherKind(NetworkRecord& r, uint16_t event) {
    if (event == host::FD_READ) r.readable = 1;
    if (event == host::FD_WRITE) r.writable = 1;
}

void OnConnect(NetworkRecord& r, uint16_t error) {
    if (error == 0) {
        r.connected = 1;
        return;
    }
    // A refused connection never becomes usable: the error says so to the program.
    r.error = 1;
    AddLogFormat("接続に失敗しました(エラー %d)", int(error));
}

void OnClose(NetworkRecord& r) {
    // Whatever arrived before the close is kept: it is taken off the socket first.
    RecvSocket(r.handle);
    r.connected = 0;
    r.closedByPeer = 1;
}

// With the table full, the waiting connection is taken and closed at once: left in the
// queue it would keep the listening socket from announcing any later one.
int32_t RefuseConnection(host::SOCKET listener) {
    AddLogText("空きソケットデータがなかったので accept を拒否しました \n");
    const auto& ws2 = Network().ws2;
    host::SOCKET s = ws2.accept(listener, nullptr, nullptr);
    if (s != host::INVALID_SOCKET) ws2.closesocket(s);
    return -1;
}

}  // namespace

host::LRESULT HandleSocketMessage(host::WPARAM wParam, host::LPARAM lParam) {
    NetworkRecord* r = FindNetworkRecordBySocket(host::SOCKET(wParam));
    if (!r) {
        AddLogText("通信エラー No.1\n");
        return 0;
    }
    const uint16_t event = host::LOWORD(uintptr_t(lParam));
    if (r->kind != 0) {
        NoteOtherKind(*r, event);
        return 1;
    }
    switch (event) {
    case host::FD_READ: RecvSocket(r->handle); break;
    case host::FD_WRITE: SendSocket(r->handle); break;
    case host::FD_ACCEPT: return AcceptNetWork();
    case host::FD_CONNECT: OnConnect(*r, host::HIWORD(uintptr_t(lParam))); break;
    case host::FD_CLOSE: OnClose(*r); break;
    default: break;
    }
    return 1;
}

int32_t AcceptNetWork() {
    auto& st = Network();
    NetworkRecord* listening = st.table.Find(st.listenHandle);
    if (!listening) return -1;
    if (st.table.Count() >= kNetworkCapacity) return RefuseConnection(listening->socket);
    NetworkRecord* r = nullptr;
    const int32_t handle = st.table.Add(&r);
    if (handle < 0) return AddLogText("ソケット用のメモリの確保に失敗しました\n");
    const host::SOCKET s = st.ws2.accept(listening->socket, nullptr, nullptr);
    if (s == host::INVALID_SOCKET) {
        st.table.Release(handle);
        return LogSocketError("acceptに失敗しました");
    }
    if (st.ws2.WSAAsyncSelect(s, st.window, kSocketMessage, kStreamEvents) != 0) {
        LogSocketError("WSAAsyncSelectのエラー in AcceptNetWork");
        st.ws2.closesocket(s);
        st.table.Release(handle);
        return -1;
    }
    r->connected = 1;
    LinkNetworkRecord(*r, handle, s);
    st.accepted.push_back(handle);
    return handle;
}

}  // namespace orvik
