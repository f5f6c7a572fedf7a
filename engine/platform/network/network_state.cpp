#include "engine/platform/network/network_state.h"

#include <cstdarg>
#include <cstdio>
#include <memory>

#include "engine/platform/base/log.h"
#include "engine/platform/network/network.h"
#include "engine/platform/startup/system_libraries.h"
#include "host/win/window/message_queue.h"

namespace orvik {

namespace {
std::unique_ptr<NetworkState> g_network = std::make_unique<NetworkState>();

template <typename F>
bool TakeWs2(F& slot, const char* name) {
    slot = reinterpret_cast<F>(Ws2Function(name));
    return slot != nullptr;
}
}  // namespace

NetworkState& Network() { return *g_network; }

void ResetNetwork() {
    EndNetwork();
    g_network->table.ReleaseAll();
    g_network = std::make_unique<NetworkState>();
}

bool TakeWs2Calls(Ws2Calls& c) {
    // Every one is taken, so a missing function leaves no stale pointer behind.
    bool all = TakeWs2(c.WSAGetLastError, "WSAGetLastError");
    all &= TakeWs2(c.WSAStartup, "WSAStartup");
    all &= TakeWs2(c.WSACleanup, "WSACleanup");
    all &= TakeWs2(c.WSAAsyncSelect, "WSAAsyncSelect");
    all &= TakeWs2(c.htons, "htons");
    all &= TakeWs2(c.inet_addr, "inet_addr");
    all &= TakeWs2(c.socket, "socket");
    all &= TakeWs2(c.bind, "bind");
    all &= TakeWs2(c.listen, "listen");
    all &= TakeWs2(c.accept, "accept");
    all &= TakeWs2(c.connect, "connect");
    all &= TakeWs2(c.recv, "recv");
    all &= TakeWs2(c.send, "send");
    all &= TakeWs2(c.closesocket, "closesocket");
    all &= TakeWs2(c.ntohs, "ntohs");
    all &= TakeWs2(c.sendto, "sendto");
    all &= TakeWs2(c.recvfrom, "recvfrom");
    all &= TakeWs2(c.gethostbyname, "gethostbyname");
    all &= TakeWs2(c.gethostname, "gethostname");
    return all;
}

void LinkNetworkRecord(NetworkRecord& record, int32_t handle, host::SOCKET socket) {
    record.handle = handle;
    record.socket = socket;
    AddListNode(Network().tail.previous, &record.node, handle, &record);
    Network().bySocket[socket] = handle;
}

void CloseRecordSocket(NetworkRecord& record) {
    auto& st = Network();
    if (record.socket == host::INVALID_SOCKET) return;
    st.ws2.WSAAsyncSelect(record.socket, st.window, 0, 0);
    st.ws2.closesocket(record.socket);
    st.bySocket.erase(record.socket);
    record.socket = host::INVALID_SOCKET;
}

void ReleaseNetworkRecord(NetworkRecord& record) {
    auto& st = Network();
    CloseRecordSocket(record);
    TerminateRingBuffer(&record.recvRing);
    TerminateRingBuffer(&record.sendRing);
    RemoveListNode(&record.node);
    RemoveListNode(&record.turnNode);
    const int32_t handle = record.handle;
    std::erase(st.accepted, handle);
    if (st.listenHandle == handle) st.listenHandle = -1;
    st.table.Release(handle);
}

NetworkRecord* FindNetworkRecordBySocket(host::SOCKET socket) {
    const auto& bySocket = Network().bySocket;
    const auto found = bySocket.find(socket);
    return found == bySocket.end() ? nullptr : Network().table.Find(found->second);
}

int PumpNetworkWindow() {
    auto& st = Network();
    // A pump inside a receive is part of that receive's round.
    if (!st.receiving) StartReceiveRound();
    host::MSG msg;
    while (!st.windowGone && host::PeekMessageA(&msg, st.window, 0, 0, host::PM_REMOVE))
        host::DispatchMessageA(&msg);
    return st.windowGone ? -1 : 0;
}

bool HasQueuedSend(const NetworkRecord& r) {
    return r.sendRing.stored > 0 || r.sendLength > 0 || r.prefixLeft > 0;
}

// Lengths travel least significant byte first.
void StoreLength(unsigned char* bytes, int32_t length) {
    for (int i = 0; i < 4; ++i) bytes[i] = (uint32_t(length) >> (8 * i)) & 0xFF;
}

int32_t LoadLength(const unsigned char* bytes) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= uint32_t(bytes[i]) << (8 * i);
    return int32_t(v);
}

int LogSocketError(const char* format, ...) {
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    const auto& ws2 = Network().ws2;
    return AddLogFormat("ネットワークログ。%s[%d]", text, ws2.WSAGetLastError ? ws2.WSAGetLastError() : 0);
}

}  // namespace orvik
