// The program's side of a connection: queuing messages to send, taking received ones, and
// the lengths and state it asks about.
#include <orvik/network.h>

#include "engine/platform/base/log.h"
#include "engine/platform/network/network.h"
#include "engine/platform/network/network_state.h"

namespace orvik {

namespace {

NetworkRecord* StreamRecord(int handle, const char* caller) {
    NetworkRecord* r = Network().table.Find(handle);
    if (!r || r->kind != 0) {
        AddLogFormat("有効なネットワークハンドルではありません in %s", caller);
        return nullptr;
    }
    return r;
}

// The length of the oldest message in the receive ring when all of it has arrived, else 0.
int32_t CompleteLength(NetworkRecord& r) {
    unsigned char bytes[4];
    if (ReadRingBuffer(&r.recvRing, bytes, 4, 1) != 0) return 0;
    const int32_t length = LoadLength(bytes);
    return r.recvRing.stored - 4 >= length ? length : 0;
}

}  // namespace

int NetWorkSend(int handle, const void* data, int length) {
    NetworkRecord* r = StreamRecord(handle, "NetWorkSend");
    if (!r) return -1;
    if (!data || length <= 0) return AddLogFormat("送信データが不正です(%d byte)", length);
    if (r->error || r->closedByPeer) return AddLogText("このネットワークハンドルでは送信できません in NetWorkSend\n");
    // The peer would refuse it and close the connection.
    if (length > Network().maxMessageSize)
        return AddLogFormat("送信データが大きすぎます(%d byte、上限 %d byte)", length, Network().maxMessageSize);
    // Room for the prefix and the body at once, so a message is never half queued.
    if (length > INT32_MAX - 4 || ReserveRingBuffer(&r->sendRing, length + 4) != 0)
        return AddLogFormat("送信データを保存するリングバッファのリサイズに失敗しました(データサイズ %d byte)", length);
    unsigned char prefix[4];
    StoreLength(prefix, length);
    WriteRingBuffer(&r->sendRing, prefix, 4);
    WriteRingBuffer(&r->sendRing, data, length);
    // FD_WRITE only comes after a send that would block, so the first send is made here.
    if (r->connected) SendSocket(handle);
    return 0;
}

int GetNetWorkDataLength(int handle) {
    NetworkRecord* r = StreamRecord(handle, "GetNetWorkDataLength");
    return r ? CompleteLength(*r) : -1;
}

int NetWorkRecv(int handle, void* buffer, int bufferSize) {
    NetworkRecord* r = StreamRecord(handle, "NetWorkRecv");
    if (!r) return -1;
    const int32_t length = CompleteLength(*r);
    if (length == 0) return 0;
    if (!buffer || bufferSize < length)
        return AddLogFormat("受信バッファが足りません(メッセージ %d byte、バッファ %d byte)", length, bufferSize);
    unsigned char prefix[4];
    ReadRingBuffer(&r->recvRing, prefix, 4, 0);
    ReadRingBuffer(&r->recvRing, buffer, length, 0);
    return length;
}

int GetNetWorkSendDataLength(int handle) {
    NetworkRecord* r = StreamRecord(handle, "GetNetWorkSendDataLength");
    return r ? r->sendRing.stored + r->prefixLeft : -1;
}

int GetNetWorkAcceptState(int handle) {
    NetworkRecord* r = StreamRecord(handle, "GetNetWorkAcceptState");
    if (!r || r->error) return -1;
    return r->connected;
}

}  // namespace orvik
