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
    CloseRecordSocket(r);
    r.connected = 0;
    r.error = 1;
    return false;
}

bool FailGrowth(NetworkRecord& r, int32_t length) {
    AddLogFormat("受信データを保存するリングバッファのリサイズに失敗しました(データサイズ %d byte)", length);
    return StopReceiving(r);
}

// One read off the record's socket, out of the pump's allowance. Once that is spent
// nothing is read (-1) and the record waits for the next pump.
int ReadSocket(NetworkRecord& r, void* to, int32_t length) {
    auto& st = Network();
    if (st.pumpReads == 0) {
        r.recvWanted = 1;
        return -1;
    }
    --st.pumpReads;
    return st.ws2.recv(r.socket, static_cast<char*>(to), length, 0);
}

// Takes the next length prefix once all 4 bytes have come and stores it in the ring.
// False when it must wait (or the record went into error). The bytes are taken as they
// arrive: a part left on the socket would be announced as readable again and again, and
// a close behind it would never be.
bool StartMessage(NetworkRecord& r) {
    while (r.lengthTaken < 4) {
        const int n = ReadSocket(r, r.lengthIn + r.lengthTaken, 4 - r.lengthTaken);
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
// record's share and the pump's allowance. False once the socket has no more for now.
bool ContinueMessage(NetworkRecord& r) {
    RingBuffer& ring = r.recvRing;
    int32_t& pumpBytes = Network().pumpBytes;
    const int32_t step = std::min({r.recvLength - r.recvTaken, kReceiveStep, r.shareBytes, pumpBytes});
    if (ReserveRingBuffer(&ring, step) != 0) return FailGrowth(r, r.recvLength);
    const int32_t chunk = std::min(step, ring.capacity - ring.write);
    const int n = ReadSocket(r, ring.data + ring.write, chunk);
    if (n <= 0) return false;
    ring.write += n;
    ring.stored += n;
    r.recvTaken += n;
    r.shareBytes -= n;
    pumpBytes -= n;
    if (r.recvTaken == r.recvLength) r.recvLength = r.recvTaken = 0;
    return n == chunk;
}

bool PumpAllowanceSpent() { return Network().pumpReads == 0 || Network().pumpBytes == 0; }

bool HasShare(const NetworkRecord& r) { return r.shareMessages > 0 && r.shareBytes > 0; }

// Lines the record up at the back for a turn in this pump, unless it is in line already or
// its share is spent (the next pump's start lines it up then).
void QueueTurn(NetworkRecord& r) {
    auto& st = Network();
    if (r.turnNode.next || !HasShare(r)) return;
    AddListNode(st.turnTail.previous, &r.turnNode, r.handle, &r);
}

// One turn: the rest of the next length prefix and one step of the message's body. Turns
// this small let a connection with one message wait behind one message of each other, not
// behind a share of each. Leaves recvWanted set when the socket may hold more.
void ReceiveTurn(NetworkRecord& r) {
    r.recvWanted = 0;
    if (r.error || !r.connected) return;
    if (r.recvLength == 0 && !StartMessage(r)) return;
    if (ContinueMessage(r)) r.recvWanted = 1;
}

// Serves the turns in line, each one then going to the back while its socket may hold
// more, until the pump's allowance is spent or no one is left; those still in line go first
// in the next pump.
void ServeTurns() {
    auto& st = Network();
    while (!PumpAllowanceSpent() && st.turnHead.next != &st.turnTail) {
        auto& r = *static_cast<NetworkRecord*>(st.turnHead.next->data);
        RemoveListNode(&r.turnNode);
        ReceiveTurn(r);
        if (r.recvWanted) QueueTurn(r);
    }
}

}  // namespace

int SetMaxNetWorkMessageSize(int bytes) {
    if (bytes < 1) return AddLogFormat("メッセージの上限サイズが不正です(%d byte) in SetMaxNetWorkMessageSize", bytes);
    Network().maxMessageSize = bytes;
    return 0;
}

void StartReceiveRound() {
    auto& st = Network();
    st.pumpReads = kPumpReceiveReads;
    st.pumpBytes = kPumpReceiveBytes;
    ForEachNetworkRecord([](NetworkRecord& r) {
        r.shareMessages = kReceiveShareMessages;
        r.shareBytes = kReceiveShareBytes;
        // One whose share ran out in the last pump lines up behind those still in line.
        if (r.recvWanted) QueueTurn(r);
    });
    ServeTurns();
}

int RecvSocket(int32_t handle) {
    auto& st = Network();
    NetworkRecord* r = st.table.Find(handle);
    if (!r) return AddLogText("有効なネットワークハンドルではありません in RecvSocket\n");
    if (r->error) return AddLogText("このネットワークハンドルにはエラーが発生しています in RecvSocket\n");
    if (r->kind != 0 || !r->connected || !r->framed) return -1;
    r->recvWanted = 1;
    QueueTurn(*r);
    // The receive running now serves it as well: it is in line.
    if (st.receiving) return 0;
    st.receiving = 1;
    PumpNetworkWindow();
    // The FD_READs the pump found only lined their records up: the turns are served now,
    // without pumping again, so no receive waits on another's.
    ServeTurns();
    st.receiving = 0;
    return 0;
}

}  // namespace orvik
