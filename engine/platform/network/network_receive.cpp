// Receiving: framed messages come off the socket into the handle's receive ring, each
// stored as its length and bytes, so complete messages wait there in order.
#include <orvik/network.h>

#include <algorithm>

#include "engine/platform/base/log.h"
#include "engine/platform/network/network.h"
#include "engine/platform/network/network_state.h"

namespace orvik {

namespace {

// Room for a message body is made as its bytes come, a step at a time: the length is only
// the peer's word, and reserved on trust, four bytes of length per connection would claim
// all the memory they announce.
constexpr int32_t kReceiveStep = 64 << 10;

// A connection that cannot be read past this point is closed at once (the peer sees its
// end) and the handle goes into error. The handle stays until the program deletes it, so
// the complete messages that came before can still be taken. False.
bool StopReceiving(NetworkRecord& r) {
    auto& st = Network();
    st.ws2.WSAAsyncSelect(r.socket, st.window, 0, 0);
    st.ws2.closesocket(r.socket);
    r.socket = host::INVALID_SOCKET;
    r.connected = 0;
    r.error = 1;
    return false;
}

bool FailGrowth(NetworkRecord& r, int32_t length) {
    AddLogFormat("受信データを保存するリングバッファのリサイズに失敗しました(データサイズ %d byte)", length);
    return StopReceiving(r);
}

// Takes the next length prefix once all 4 bytes have come and stores it in the ring.
// False when it must wait (or the record went into error). The bytes are taken as they
// arrive: a part left on the socket would be announced as readable again and again, and
// a close behind it would never be.
bool StartMessage(NetworkRecord& r) {
    const auto& ws2 = Network().ws2;
    while (r.lengthTaken < 4) {
        const int n = ws2.recv(r.socket, reinterpret_cast<char*>(r.lengthIn + r.lengthTaken), 4 - r.lengthTaken, 0);
        if (n <= 0) return false;
        r.lengthTaken += n;
    }
    r.lengthTaken = 0;
    const int32_t length = LoadLength(r.lengthIn);
    if (length <= 0) {
        // A peer that sends this is not speaking our framing; what follows cannot be trusted.
        AddLogFormat("受信したメッセージの長さが不正です(%d byte)", length);
        return StopReceiving(r);
    }
    if (length > Network().maxMessageSize) {
        // Refused before anything is reserved for it: the stream cannot be read past it.
        AddLogFormat("受信したメッセージが大きすぎるため接続を閉じます(%d byte、上限 %d byte)", length,
                     Network().maxMessageSize);
        return StopReceiving(r);
    }
    if (WriteRingBuffer(&r.recvRing, r.lengthIn, 4) != 0) return FailGrowth(r, length);
    r.recvLength = length;
    r.recvTaken = 0;
    --r.shareMessages;
    return true;
}

// Receives what is there of the message body at the ring's write position, within the
// share. False once the socket has no more for now.
bool ContinueMessage(NetworkRecord& r) {
    RingBuffer& ring = r.recvRing;
    const int32_t step = std::min({r.recvLength - r.recvTaken, kReceiveStep, r.shareBytes});
    if (ReserveRingBuffer(&ring, step) != 0) return FailGrowth(r, r.recvLength);
    const int32_t chunk = std::min(step, ring.capacity - ring.write);
    const int n = Network().ws2.recv(r.socket, reinterpret_cast<char*>(ring.data + ring.write), chunk, 0);
    if (n <= 0) return false;
    ring.write += n;
    ring.stored += n;
    r.recvTaken += n;
    r.shareBytes -= n;
    if (r.recvTaken == r.recvLength) r.recvLength = r.recvTaken = 0;
    return n == chunk;
}

// Takes what the socket has, up to the record's share of this pump; when the share runs
// out first, the record takes the rest in the next pump.
void ReceiveShare(NetworkRecord& r) {
    r.recvWanted = 0;
    while (!r.error && r.connected) {
        if (r.shareMessages == 0 || r.shareBytes == 0) {
            r.recvWanted = 1;
            return;
        }
        if (r.recvLength == 0 && !StartMessage(r)) return;
        if (!ContinueMessage(r)) return;
    }
}

void ReceiveWanted() {
    ForEachNetworkRecord([](NetworkRecord& r) {
        if (r.recvWanted) ReceiveShare(r);
    });
}

}  // namespace

int SetMaxNetWorkMessageSize(int bytes) {
    if (bytes < 1) return AddLogFormat("メッセージの上限サイズが不正です(%d byte) in SetMaxNetWorkMessageSize", bytes);
    Network().maxMessageSize = bytes;
    return 0;
}

void StartReceiveRound() {
    ForEachNetworkRecord([](NetworkRecord& r) {
        r.shareMessages = kReceiveShareMessages;
        r.shareBytes = kReceiveShareBytes;
        if (r.recvWanted) ReceiveShare(r);
    });
}

int RecvSocket(int32_t handle) {
    auto& st = Network();
    NetworkRecord* r = st.table.Find(handle);
    if (!r) return AddLogText("有効なネットワークハンドルではありません in RecvSocket\n");
    if (r->error) return AddLogText("このネットワークハンドルにはエラーが発生しています in RecvSocket\n");
    if (r->kind != 0 || !r->connected || !r->framed) return -1;
    r->recvWanted = 1;
    // The receive running now takes it as well: it is still to come.
    if (st.receiving) return 0;
    st.receiving = 1;
    PumpNetworkWindow();
    // The FD_READs the pump found only marked their records: each takes its share now,
    // without pumping again, so no receive waits on another's.
    ReceiveWanted();
    st.receiving = 0;
    return 0;
}

}  // namespace orvik
