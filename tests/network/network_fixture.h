// A started network over loopback in a fresh host, with the log in the test's own
// directory and the real clock (the close bounds are measured in real milliseconds).
#pragma once
#include <gtest/gtest.h>
#include <time.h>

#include <orvik/network.h>

#include <string>

#include "../support/host_reset.h"
#include "../support/temp_log.h"
#include "engine/platform/network/network.h"
#include "engine/platform/network/network_state.h"
#include "engine/platform/startup/system_libraries.h"
#include "host/win/window/message_queue.h"
#include "host/winsock/winsock.h"

namespace orvik_test {

inline double NowSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// Pumps the network until the condition holds, waiting on the queue between passes. The
// condition is asked once a pass, so it may take things (a new connection) as it looks.
template <typename Condition>
bool PumpUntil(Condition done, double seconds = 10.0) {
    const double deadline = NowSeconds() + seconds;
    for (;;) {
        orvik::PumpNetworkMessages(0);
        if (done()) return true;
        if (NowSeconds() > deadline) return false;
        host::WaitForQueuedMessage(20);
    }
}

// The text as the log writes it: a CR in front of each LF.
inline std::string InLog(const std::string& text) {
    std::string crlf;
    for (char c : text) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    return crlf;
}

// recv calls the engine makes on its sockets, counted through the taken ws2_32 function
// once CountEngineRecvCalls has run (until the network is reset).
inline int g_engineRecvCalls = 0;
inline decltype(orvik::Ws2Calls::recv) g_plainRecv = nullptr;
inline int CountedRecv(host::SOCKET s, char* buffer, int length, int flags) {
    ++g_engineRecvCalls;
    return g_plainRecv(s, buffer, length, flags);
}
inline void CountEngineRecvCalls() {
    g_plainRecv = orvik::Network().ws2.recv;
    orvik::Network().ws2.recv = CountedRecv;
    g_engineRecvCalls = 0;
}

struct Connection {
    int server = -1;
    int client = -1;
};

class NetworkTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetHost();
        host::UseManualClock(false);
        orvik::LoadStartupLibraries();
        ASSERT_EQ(orvik::InitNetwork(), 0);
    }
    void TearDown() override {
        orvik::ResetNetwork();
        orvik::FreeSystemLibraries();
        host::ResetWinsock();
        host::ResetThreadQueue();
    }

    std::string Log() const { return log_.Read(); }
    // The text is in the log (which ends its lines in CR LF).
    bool Logged(const std::string& text) const { return Log().find(InLog(text)) != std::string::npos; }

    static int ListenPort() {
        const orvik::NetworkRecord* r = orvik::Network().table.Find(orvik::Network().listenHandle);
        if (!r) return -1;
        host::SOCKADDR_IN address;
        int length = sizeof address;
        if (host::getsockname(r->socket, &address, &length) != 0) return -1;
        return host::ntohs(address.sin_port);
    }

    // Listens on a free port, connects to it and waits until both ends are connected.
    static Connection Connect() {
        Connection c;
        if (!orvik::Network().table.Find(orvik::Network().listenHandle)) {
            EXPECT_EQ(orvik::PreparationListenNetWork(0), 0);
        }
        c.client = orvik::ConnectNetWork("127.0.0.1", ListenPort());
        EXPECT_NE(c.client, -1);
        EXPECT_TRUE(PumpUntil([&] {
            if (c.server == -1) c.server = orvik::GetNewAcceptNetWork();
            return c.server != -1 && orvik::GetNetWorkAcceptState(c.client) == 1;
        }));
        return c;
    }

    static orvik::NetworkRecord& Record(int handle) { return *orvik::Network().table.Find(handle); }

    // Waits for the next complete message and takes it.
    static std::string Receive(int handle) {
        EXPECT_TRUE(PumpUntil([&] { return orvik::GetNetWorkDataLength(handle) > 0; }));
        std::string bytes(size_t(orvik::GetNetWorkDataLength(handle)), '\0');
        EXPECT_EQ(orvik::NetWorkRecv(handle, bytes.data(), int(bytes.size())), int(bytes.size()));
        return bytes;
    }

    static int Send(int handle, const std::string& bytes) {
        return orvik::NetWorkSend(handle, bytes.data(), int(bytes.size()));
    }

    // Bytes that differ from position to position, so a run lost or repeated shows.
    static std::string Pattern(size_t size, unsigned seed) {
        std::string s(size, '\0');
        for (size_t i = 0; i < size; ++i) s[i] = char((i * 131 + seed * 7 + (i >> 9)) & 0xFF);
        return s;
    }

    TempLog log_;
};

}  // namespace orvik_test
