// Datagram handles: a UDP socket whose events only note that it may be read, and the calls
// that send datagrams and take them off the socket one at a time, in order.
#include <orvik/network.h>

#include <cstring>

#include "engine/platform/base/log.h"
#include "engine/platform/network/network.h"
#include "engine/platform/network/network_state.h"

namespace orvik {

namespace {

constexpr long kDatagramEvents = host::FD_READ | host::FD_WRITE;

NetworkRecord* DatagramRecord(int handle, const char* caller) {
    NetworkRecord* r = Network().table.Find(handle);
    if (!r || r->kind != kDatagramKind) {
        AddLogFormat("有効なUDPネットワークハンドルではありません in %s", caller);
        return nullptr;
    }
    return r;
}

// Whether a datagram is waiting, and its length. Only a socket that announced one since
// it was last found empty is asked; a look that finds it empty waits for the next FD_READ,
// which taking from the socket makes it send again for what came meanwhile.
bool PeekDatagram(NetworkRecord& r, int* length) {
    if (!r.readable) return false;
    auto& st = Network();
    if (st.datagramPeek.empty()) st.datagramPeek.resize(kMaxUDPDataSize);
    const int n = st.ws2.recvfrom(r.socket, st.datagramPeek.data(), kMaxUDPDataSize, host::MSG_PEEK, nullptr, nullptr);
    if (n >= 0) {
        *length = n;
        return true;
    }
    r.readable = 0;
    if (st.ws2.WSAGetLastError() != host::WSAEWOULDBLOCK) LogSocketError("recvfromに失敗しました");
    return false;
}

uint32_t ToNetworkOrder(const IPv4Address& address) {
    uint32_t value;
    std::memcpy(&value, address.bytes, 4);
    return value;
}

IPv4Address FromNetworkOrder(uint32_t value) {
    IPv4Address address;
    std::memcpy(address.bytes, &value, 4);
    return address;
}

}  // namespace

int MakeUDPSocket(int port) {
    if (!ValidPort(port)) return AddLogFormat("ポート番号が不正です(%d) in MakeUDPSocket", port);
    NetworkRecord* r = nullptr;
    const int32_t handle = MakeSocketRecord(kDatagramKind, kDatagramEvents, &r);
    if (handle < 0) return -1;
    const host::SOCKADDR_IN any = SocketAddress(host::INADDR_ANY, port);
    if (Network().ws2.bind(r->socket, &any, sizeof any) != 0) return FailSocketRecord(r, "bindに失敗しました");
    return handle;
}

int NetWorkSendUDP(int handle, IPv4Address address, int port, const void* data, int length) {
    NetworkRecord* r = DatagramRecord(handle, "NetWorkSendUDP");
    if (!r) return -1;
    if (port <= 0 || !ValidPort(port)) return AddLogFormat("送信先のポート番号が不正です(%d) in NetWorkSendUDP", port);
    if (length < 0 || length > kMaxUDPDataSize || (!data && length > 0))
        return AddLogFormat("送信データが不正です(%d byte) in NetWorkSendUDP", length);
    const host::SOCKADDR_IN to = SocketAddress(ToNetworkOrder(address), port);
    const auto& ws2 = Network().ws2;
    if (ws2.sendto(r->socket, static_cast<const char*>(data), length, 0, &to, sizeof to) != length)
        return LogSocketError("sendtoに失敗しました(%d.%d.%d.%d:%d)", address.bytes[0], address.bytes[1],
                              address.bytes[2], address.bytes[3], port);
    return 0;
}

int CheckNetWorkRecvUDP(int handle) {
    NetworkRecord* r = DatagramRecord(handle, "CheckNetWorkRecvUDP");
    int length = 0;
    return r ? PeekDatagram(*r, &length) : -1;
}

int GetNetWorkUDPDataLength(int handle) {
    NetworkRecord* r = DatagramRecord(handle, "GetNetWorkUDPDataLength");
    if (!r) return -1;
    int length = 0;
    PeekDatagram(*r, &length);
    return length;
}

int NetWorkRecvUDP(int handle, IPv4Address* from, int* fromPort, void* buffer, int bufferSize) {
    NetworkRecord* r = DatagramRecord(handle, "NetWorkRecvUDP");
    if (!r) return -1;
    int length = 0;
    if (!PeekDatagram(*r, &length)) return AddLogText("受信したデータグラムがありません in NetWorkRecvUDP\n");
    if (bufferSize < length || (!buffer && length > 0))
        return AddLogFormat("受信バッファが足りません(データグラム %d byte、バッファ %d byte)", length, bufferSize);
    const auto& ws2 = Network().ws2;
    host::SOCKADDR_IN sender;
    int senderLength = sizeof sender;
    const int n = ws2.recvfrom(r->socket, static_cast<char*>(buffer), length, 0, &sender, &senderLength);
    if (n < 0) return LogSocketError("recvfromに失敗しました");
    if (from) *from = FromNetworkOrder(sender.sin_addr);
    if (fromPort) *fromPort = ws2.ntohs(sender.sin_port);
    return n;
}

}  // namespace orvik
