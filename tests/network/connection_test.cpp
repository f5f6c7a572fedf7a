// Connections over loopback: accepting, framed messages both ways, large messages that
// take many events, and the peer closing.
#include "network_fixture.h"

namespace orvik_test {
namespace {

TEST_F(NetworkTest, ListenerAcceptsAConnectionAsANewHandle) {
    const Connection c = Connect();
    EXPECT_EQ(c.server & 0x78000000, 0x30000000);
    EXPECT_EQ(c.client & 0x78000000, 0x30000000);
    EXPECT_NE(c.server, c.client);
    EXPECT_EQ(orvik::GetNetWorkAcceptState(c.server), 1);
    // Each accepted connection is handed out once.
    EXPECT_EQ(orvik::GetNewAcceptNetWork(), -1);
    // A second connection on the same listener gets a handle of its own.
    const Connection d = Connect();
    EXPECT_NE(d.server, c.server);
    EXPECT_EQ(orvik::Network().table.Count(), 5);  // the listener and two pairs
}

TEST_F(NetworkTest, FramedMessagesArriveWholeAndInOrderBothWays) {
    const Connection c = Connect();
    ASSERT_EQ(Send(c.client, "hello"), 0);
    ASSERT_EQ(Send(c.client, std::string(1, '\0')), 0);
    ASSERT_EQ(Send(c.client, "third"), 0);
    EXPECT_EQ(Receive(c.server), "hello");
    EXPECT_EQ(Receive(c.server), std::string(1, '\0'));
    EXPECT_EQ(Receive(c.server), "third");
    EXPECT_EQ(orvik::GetNetWorkDataLength(c.server), 0);
    EXPECT_EQ(orvik::NetWorkRecv(c.server, nullptr, 0), 0);

    ASSERT_EQ(Send(c.server, "reply"), 0);
    EXPECT_EQ(Receive(c.client), "reply");
}

TEST_F(NetworkTest, ManyMessagesOfMixedSizesWrapTheRingsIntact) {
    const Connection c = Connect();
    // Receiving between sends keeps the rings partly full, so reads and writes wrap.
    for (unsigned i = 0; i < 60; ++i) {
        const std::string sent = Pattern(1 + (i * 977) % 3000, i);
        ASSERT_EQ(Send(c.client, sent), 0);
        if (i % 3 == 2) {
            for (unsigned k = i - 2; k <= i; ++k) ASSERT_EQ(Receive(c.server), Pattern(1 + (k * 977) % 3000, k));
        }
    }
}

TEST_F(NetworkTest, MessageLargerThanTheSocketBuffersResumesOnLaterEvents) {
    const Connection c = Connect();
    const std::string big = Pattern(1 << 20, 5);
    ASSERT_EQ(Send(c.client, big), 0);
    // The socket took only part of it at once; the rest waits for FD_WRITE.
    EXPECT_GT(orvik::GetNetWorkSendDataLength(c.client), 0);
    ASSERT_EQ(Send(c.client, "after"), 0);
    EXPECT_TRUE(Receive(c.server) == big);
    EXPECT_EQ(Receive(c.server), "after");
    EXPECT_EQ(orvik::GetNetWorkSendDataLength(c.client), 0);
    // And the other way, while the first direction is idle.
    ASSERT_EQ(Send(c.server, big), 0);
    EXPECT_TRUE(Receive(c.client) == big);
}

TEST_F(NetworkTest, BadSendsAndSmallBuffersAreRefusedWithoutLosingTheMessage) {
    const Connection c = Connect();
    EXPECT_EQ(orvik::NetWorkSend(c.client, "x", 0), -1);
    EXPECT_EQ(orvik::NetWorkSend(c.client, nullptr, 4), -1);
    EXPECT_EQ(orvik::NetWorkSend(0x30000000 | 0x7FF0000 | 5, "x", 1), -1);
    EXPECT_TRUE(Logged("送信データが不正です(0 byte)"));

    ASSERT_EQ(Send(c.client, "twelve bytes"), 0);
    ASSERT_TRUE(PumpUntil([&] { return orvik::GetNetWorkDataLength(c.server) == 12; }));
    char small[4];
    EXPECT_EQ(orvik::NetWorkRecv(c.server, small, sizeof small), -1);
    EXPECT_TRUE(Logged("受信バッファが足りません(メッセージ 12 byte、バッファ 4 byte)"));
    EXPECT_EQ(Receive(c.server), "twelve bytes");
}

TEST_F(NetworkTest, PeerCloseSetsTheFlagsAndKeepsWhatArrivedBeforeIt) {
    const Connection c = Connect();
    ASSERT_EQ(Send(c.server, "last words"), 0);
    ASSERT_EQ(orvik::CloseNetworkHandle(c.server), 0);
    EXPECT_EQ(orvik::GetNetWorkAcceptState(c.server), -1);

    ASSERT_TRUE(PumpUntil([&] { return Record(c.client).closedByPeer == 1; }));
    EXPECT_EQ(Record(c.client).connected, 0);
    EXPECT_EQ(orvik::GetNetWorkAcceptState(c.client), 0);
    EXPECT_EQ(Receive(c.client), "last words");
    EXPECT_EQ(Send(c.client, "too late"), -1);
    // Not connected any more: closing is refused, deleting frees it.
    EXPECT_EQ(orvik::CloseNetworkHandle(c.client), -1);
    EXPECT_EQ(orvik::DeleteNetworkHandle(c.client), 0);
    EXPECT_EQ(orvik::DeleteNetworkHandle(c.client), -1);
}

// A loopback port held by a socket that is bound but never listens: connecting to it is
// refused, and while the socket is held no other process (tests run in parallel) can
// listen there, nor can the connecting socket be given it and meet itself.
class RefusingPort {
public:
    RefusingPort() : socket_(host::socket(host::AF_INET, host::SOCK_STREAM, 0)) {
        host::SOCKADDR_IN address;
        address.sin_addr = host::INADDR_LOOPBACK_NET;
        int length = sizeof address;
        if (host::bind(socket_, &address, length) == 0 && host::getsockname(socket_, &address, &length) == 0)
            port_ = host::ntohs(address.sin_port);
    }
    ~RefusingPort() { host::closesocket(socket_); }
    RefusingPort(const RefusingPort&) = delete;
    RefusingPort& operator=(const RefusingPort&) = delete;
    int port() const { return port_; }

private:
    host::SOCKET socket_;
    int port_ = -1;
};

TEST_F(NetworkTest, RefusedConnectionReportsFailure) {
    const RefusingPort refusing;
    ASSERT_NE(refusing.port(), -1);
    const int client = orvik::ConnectNetWork("127.0.0.1", refusing.port());
    ASSERT_NE(client, -1);
    EXPECT_TRUE(PumpUntil([&] { return orvik::GetNetWorkAcceptState(client) == -1; }));
    EXPECT_TRUE(Logged("接続に失敗しました(エラー 10061)"));
    EXPECT_EQ(orvik::ConnectNetWork("not an address", 80), -1);
    EXPECT_EQ(orvik::ConnectNetWork("127.0.0.1", 70000), -1);
}

}  // namespace
}  // namespace orvik_test
