// Starting the network and making handles: the network window, the sockets of every kind,
// outgoing connections and the listening socket.
#include <orvik/network.h>

#include "engine/platform/base/log.h"
#include "engine/platform/network/network.h"
#include "engine/platform/network/network_state.h"
#include "host/win/window/window.h"

namespace orvik {

namespace {

constexpr long kConnectEvents = host::FD_READ | host::FD_WRITE | host::FD_CONNECT | host::FD_CLOSE;

host::LRESULT NetworkWindowProc(host::HWND window, uint32_t message, host::WPARAM wParam, host::LPARAM lParam) {
    switch (message) {
    case kSocketMessage: return HandleSocketMessage(wParam, lParam);
    case host::WM_CLOSE: host::DestroyWindow(window); return 0;
    case host::WM_DESTROY: Network().windowGone = 1; return 0;
    default: return host::DefWindowProcA(window, message, wParam, lParam);
    }
}

bool MakeNetworkWindow() {
    auto& st = Network();
    host::WNDCLASSEXA wc;
    wc.lpfnWndProc = NetworkWindowProc;
    wc.lpszClassName = kNetworkWindowClass;
    host::RegisterClassExA(&wc);
    st.window = host::CreateWindowExA(0, kNetworkWindowClass, "", 0, 0, 0, 0, 0, host::HWND_MESSAGE,
                                      nullptr, nullptr, nullptr);
    st.windowGone = 0;
    if (st.window) return true;
    host::UnregisterClassA(kNetworkWindowClass, nullptr);
    return false;
}

}  // namespace

int NetworkNotStarted() { return AddLogText("ネットワークが開始されていません\n"); }

int32_t MakeSocketRecord(int32_t kind, long events, NetworkRecord** out) {
    auto& st = Network();
    if (!st.initialised) return NetworkNotStarted();
    if (st.table.Count() >= kNetworkCapacity) return AddLogText("空きソケットデータがありません\n");
    NetworkRecord* r = nullptr;
    const int32_t handle = st.table.Add(&r);
    if (handle < 0) return AddLogText("ソケット用のメモリの確保に失敗しました\n");
    const bool datagram = kind == kDatagramKind;
    const host::SOCKET s = st.ws2.socket(host::AF_INET, datagram ? host::SOCK_DGRAM : host::SOCK_STREAM,
                                         datagram ? host::IPPROTO_UDP : host::IPPROTO_TCP);
    if (s == host::INVALID_SOCKET) {
        st.table.Release(handle);
        return LogSocketError("socketに失敗しました");
    }
    r->kind = kind;
    LinkNetworkRecord(*r, handle, s);
    if (st.ws2.WSAAsyncSelect(s, st.window, kSocketMessage, events) != 0)
        return FailSocketRecord(r, "WSAAsyncSelectのエラー");
    *out = r;
    return handle;
}

int FailSocketRecord(NetworkRecord* r, const char* what) {
    LogSocketError("%s", what);
    ReleaseNetworkRecord(*r);
    return -1;
}

bool ValidPort(int port) { return port >= 0 && port <= 0xFFFF; }

host::SOCKADDR_IN SocketAddress(uint32_t address, int port) {
    host::SOCKADDR_IN a;
    a.sin_addr = address;
    a.sin_port = Network().ws2.htons(uint16_t(port));
    return a;
}

int InitNetwork() {
    auto& st = Network();
    if (st.initialised) return 0;
    if (!TakeWs2Calls(st.ws2)) return AddLogText("ws2_32.dll の関数が揃っていないためネットワークを使えません\n");
    host::WSADATA data;
    if (st.ws2.WSAStartup(0x0202, &data) != 0) return AddLogText("WSAStartupに失敗しました\n");
    if (!MakeNetworkWindow()) {
        st.ws2.WSACleanup();
        return AddLogText("ネットワーク用ウインドウの作成に失敗しました\n");
    }
    InitList(&st.head, &st.tail);
    InitList(&st.turnHead, &st.turnTail);
    st.initialised = 1;
    return 0;
}

int ConnectNetWork(const char* address, int port) {
    auto& st = Network();
    if (!st.initialised) return NetworkNotStarted();
    const uint32_t ip = LookUpIPv4(address);
    if (ip == host::INADDR_NONE || port <= 0 || !ValidPort(port))
        return AddLogFormat("接続先が不正です(%s:%d)", address ? address : "(null)", port);
    NetworkRecord* r = nullptr;
    const int32_t handle = MakeSocketRecord(kStreamKind, kConnectEvents, &r);
    if (handle < 0) return -1;
    const host::SOCKADDR_IN to = SocketAddress(ip, port);
    if (st.ws2.connect(r->socket, &to, sizeof to) != 0 && st.ws2.WSAGetLastError() != host::WSAEWOULDBLOCK)
        return FailSocketRecord(r, "connectに失敗しました");
    return handle;
}

int PreparationListenNetWork(int port) {
    auto& st = Network();
    if (!ValidPort(port)) return AddLogFormat("ポート番号が不正です(%d)", port);
    if (st.table.Find(st.listenHandle)) return AddLogText("既に接続を待っています\n");
    NetworkRecord* r = nullptr;
    const int32_t handle = MakeSocketRecord(kStreamKind, host::FD_ACCEPT, &r);
    if (handle < 0) return -1;
    const host::SOCKADDR_IN any = SocketAddress(host::INADDR_ANY, port);
    if (st.ws2.bind(r->socket, &any, sizeof any) != 0) return FailSocketRecord(r, "bindに失敗しました");
    if (st.ws2.listen(r->socket, 16) != 0) return FailSocketRecord(r, "listenに失敗しました");
    st.listenHandle = handle;
    return 0;
}

int StopListenNetWork() {
    auto& st = Network();
    if (!st.table.Find(st.listenHandle)) return -1;
    return DeleteNetworkHandle(st.listenHandle);
}

int GetNewAcceptNetWork() {
    auto& st = Network();
    if (st.accepted.empty()) return -1;
    const int32_t handle = st.accepted.front();
    st.accepted.pop_front();
    return handle;
}

}  // namespace orvik
