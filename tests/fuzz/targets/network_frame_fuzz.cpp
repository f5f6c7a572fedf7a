// The network layer's framing from a hostile peer: a fake socket stands in for the
// connection and hands the engine the input as the peer's bytes, a chunk per read event
// (each chunk is a length byte and that many bytes), so length prefixes and bodies arrive
// split at every place packets could split them. Each complete message is taken and sent
// back through a socket that takes only a few bytes at a time; then the peer closes.
#include <orvik/network.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/platform/network/network.h"
#include "engine/platform/network/network_state.h"
#include "fuzz_engine.h"

namespace {

constexpr host::SOCKET kFakeSocket = 0x5EED;
constexpr int kMostEchoes = 8;

struct Peer {
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t chunkAt = 0, chunkEnd = 0;  // the part of the input that has arrived and is unread
    size_t nextChunk = 0;
    bool sendBlocks = false;
} peer;

int WouldBlock() { return host::WSAEWOULDBLOCK; }

int Receive(host::SOCKET, char* buffer, int length, int flags) {
    const size_t n = std::min(size_t(std::max(length, 0)), peer.chunkEnd - peer.chunkAt);
    if (n == 0) return -1;
    std::memcpy(buffer, peer.data + peer.chunkAt, n);
    if (!(flags & host::MSG_PEEK)) peer.chunkAt += n;
    return int(n);
}

// Takes at most 3 bytes, and blocks on every other call.
int Send(host::SOCKET, const char*, int length, int) {
    peer.sendBlocks = !peer.sendBlocks;
    return peer.sendBlocks ? -1 : std::min(length, 3);
}

int Succeed(host::SOCKET, const host::SOCKADDR_IN*, int) { return 0; }

void UseFakeSocket() {
    orvik::Ws2Calls& ws2 = orvik::Network().ws2;
    ws2.socket = [](int, int, int) { return kFakeSocket; };
    ws2.WSAAsyncSelect = [](host::SOCKET, host::HWND, uint32_t, long) { return 0; };
    ws2.connect = Succeed;
    ws2.recv = Receive;
    ws2.send = Send;
    ws2.closesocket = [](host::SOCKET) { return 0; };
    ws2.WSAGetLastError = WouldBlock;
}

// The next chunk arrives; false when the input has no more.
bool Arrive() {
    if (peer.nextChunk >= peer.size) return false;
    const size_t length = peer.data[peer.nextChunk];
    peer.chunkAt = peer.nextChunk + 1;
    peer.chunkEnd = std::min(peer.size, peer.chunkAt + length);
    peer.nextChunk = peer.chunkEnd;
    return true;
}

void Event(uint16_t event) { orvik::HandleSocketMessage(kFakeSocket, host::LPARAM(event)); }

void TakeMessages(int handle, int& echoes) {
    for (int length; (length = orvik::GetNetWorkDataLength(handle)) > 0;) {
        std::vector<char> message(static_cast<size_t>(length));
        if (orvik::NetWorkRecv(handle, message.data(), length) != length) std::abort();
        if (echoes++ < kMostEchoes) orvik::NetWorkSend(handle, message.data(), length);
        Event(host::FD_WRITE);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = (orvik_fuzz::Engine(), orvik::InitNetwork() == 0 && (UseFakeSocket(), true));
    if (!ready) std::abort();
    peer = Peer{data, size};
    const int handle = orvik::ConnectNetWork("127.0.0.1", 7000);
    if (handle == -1) std::abort();
    Event(host::FD_CONNECT);
    int echoes = 0;
    while (Arrive()) {
        Event(host::FD_READ);
        TakeMessages(handle, echoes);
    }
    Event(host::FD_CLOSE);
    TakeMessages(handle, echoes);
    orvik::DeleteNetworkHandle(handle);
    return 0;
}
