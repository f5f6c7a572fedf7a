// Sending: queued messages (each its length and bytes in the send ring) go out as a 4-byte
// length prefix and the body, resuming where a short send stopped.
#include "engine/platform/base/log.h"
#include "engine/platform/network/network.h"
#include "engine/platform/network/network_state.h"

namespace orvik {

namespace {

// Sends what the socket takes of the prefix still owed. False once it takes no more.
bool SendPrefix(NetworkRecord& r) {
    const int n = Network().ws2.send(r.socket, reinterpret_cast<const char*>(r.prefix + 4 - r.prefixLeft),
                                     r.prefixLeft, 0);
    if (n <= 0) return false;
    r.prefixLeft -= n;
    return true;
}

// Takes the next queued message's length from the ring; it goes out as the prefix.
bool StartMessage(NetworkRecord& r) {
    if (ReadRingBuffer(&r.sendRing, r.prefix, 4, 0) != 0) return false;
    r.sendLength = LoadLength(r.prefix);
    r.prefixLeft = 4;
    return true;
}

// Sends body bytes from the ring's read position, up to its end. False once the socket
// takes no more: only a send that would block brings FD_WRITE again, so a short send is
// followed by another.
bool SendBody(NetworkRecord& r) {
    RingBuffer& ring = r.sendRing;
    WrapRingBufferPositions(&ring);
    const int32_t room = ring.capacity - ring.read;
    const int32_t chunk = r.sendLength < room ? r.sendLength : room;
    const int n = Network().ws2.send(r.socket, reinterpret_cast<const char*>(ring.data + ring.read), chunk, 0);
    if (n <= 0) return false;
    ring.read += n;
    ring.stored -= n;
    r.sendLength -= n;
    return true;
}

void SendAvailable(NetworkRecord& r) {
    for (;;) {
        const bool more = r.prefixLeft > 0 ? SendPrefix(r) : r.sendLength > 0 ? SendBody(r) : StartMessage(r);
        if (!more) return;
    }
}

}  // namespace

int SendSocket(int32_t handle) {
    auto& st = Network();
    NetworkRecord* r = st.table.Find(handle);
    if (!r) return AddLogText("有効なネットワークハンドルではありません in SendSocket\n");
    if (r->error) return AddLogText("このネットワークハンドルにはエラーが発生しています in SendSocket\n");
    if (r->kind != 0 || !r->connected || !r->framed) return -1;
    if (!HasQueuedSend(*r) || st.sending) return 0;
    st.sending = 1;
    SendAvailable(*r);
    st.sending = 0;
    return 0;
}

}  // namespace orvik
