// Closing handles, the per-frame pump of the network window, and shutting the network down.
#include <orvik/network.h>

#include "engine/platform/base/log.h"
#include "engine/platform/network/network.h"
#include "engine/platform/network/network_state.h"
#include "host/clock.h"
#include "host/win/window/message_queue.h"
#include "host/win/window/window.h"

namespace orvik {

namespace {

constexpr uint32_t kFlushBoundMs = 1000;

// Pumps and runs `step` while `more` holds, for at most the flush bound; stops early when
// the network window has gone.
template <typename More, typename Step>
void FlushFor(More more, Step step) {
    const uint32_t start = host::timeGetTime();
    while (more() && host::timeGetTime() - start < kFlushBoundMs) {
        if (PumpNetworkWindow() < 0) return;
        step();
    }
}

// A message is half received and the rest can still come: a handle in error receives
// nothing more, so waiting for it would only stall the close.
bool AwaitsRestOfMessage(const NetworkRecord& r) {
    return r.connected && !r.error && (r.recvLength != 0 || r.lengthTaken != 0);
}

void CloseOrDelete(NetworkRecord& r) {
    if (r.kind == 0 && r.connected)
        CloseNetworkHandle(r.handle);
    else
        DeleteNetworkHandle(r.handle);
}

void CloseNetworkWindow() {
    auto& st = Network();
    if (st.window && host::IsWindow(st.window)) {
        host::PostMessageA(st.window, host::WM_CLOSE, 0, 0);
        while (PumpNetworkWindow() == 0 && host::IsWindow(st.window)) {
        }
    }
    st.window = nullptr;
}

}  // namespace

int CloseNetworkHandle(int handle) {
    NetworkRecord* r = Network().table.Find(handle);
    if (!r) return AddLogText("有効なネットワークハンドルではありません in CloseNetworkHandle\n");
    if (r->kind != 0 || !r->connected)
        return AddLogText("接続されていないネットワークハンドルです in CloseNetworkHandle\n");
    PumpNetworkWindow();
    // What is half received or still queued gets its chance to finish, within bounds.
    FlushFor([r] { return AwaitsRestOfMessage(*r); }, [handle] { RecvSocket(handle); });
    FlushFor([r] { return r->connected && !r->error && HasQueuedSend(*r); }, [handle] { SendSocket(handle); });
    ReleaseNetworkRecord(*r);
    return 0;
}

int RequestNetworkHandleClose(int handle) {
    NetworkRecord* r = Network().table.Find(handle);
    if (!r) return AddLogText("有効なネットワークハンドルではありません in RequestNetworkHandleClose\n");
    if (r->kind != 0 || !r->connected)
        return AddLogText("接続されていないネットワークハンドルです in RequestNetworkHandleClose\n");
    r->closePending = 1;
    return 0;
}

int DeleteNetworkHandle(int handle) {
    NetworkRecord* r = Network().table.Find(handle);
    if (!r) return AddLogText("有効なネットワークハンドルではありません in DeleteNetworkHandle\n");
    ReleaseNetworkRecord(*r);
    return 0;
}

int PumpNetworkMessages(int closePending) {
    auto& st = Network();
    if (!st.initialised || !st.window) return 0;
    // Only handles the program gave up are closed here. A handle in error lost its
    // connection when the error came and stays, with the messages that came before it,
    // until the program deletes it; one given up and disconnected since (by the peer or
    // an error) has nothing left to flush, and no one holds it any more.
    if (closePending)
        ForEachNetworkRecord([](NetworkRecord& r) {
            if (r.closePending) CloseOrDelete(r);
        });
    PumpNetworkWindow();
    return 0;
}

int EndNetwork() {
    auto& st = Network();
    if (!st.initialised) return 0;
    AddLogText("ネットワーク関連の終了処理を行います \n");
    // Closing pumps the window, which may still accept a connection: go until none is left.
    while (st.head.next != &st.tail) CloseOrDelete(*static_cast<NetworkRecord*>(st.head.next->data));
    CloseNetworkWindow();
    host::UnregisterClassA(kNetworkWindowClass, nullptr);
    st.table.ReleaseAll();
    st.accepted.clear();
    st.ws2.WSACleanup();
    st.initialised = 0;
    AddLogText("ネットワーク関連の終了処理は完了しました\n");
    return 0;
}

}  // namespace orvik
