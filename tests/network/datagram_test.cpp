// Datagram handles over loopback: datagrams both ways with their sender, the sizes at the
// edges, a queue taken in order, what is seen only once the pump delivered the socket's
// event, and the calls refused.
#include "network_fixture.h"

namespace orvik_test {
namespace {

const orvik::IPv4Address kLoopbackBytes{{127, 0, 0, 1}};

class DatagramTest : public NetworkTest {
protected:
    static int Port(int handle) {
        host::SOCKADDR_IN address;
        int length = sizeof address;
        if (host::getsockname(Record(handle).socket, &address, &length) != 0) return -1;
        return host::ntohs(address.sin_port);
    }

    static int SendTo(int from, int to, const std::string& bytes) {
        return orvik::NetWorkSendUDP(from, kLoopbackBytes, Port(to), bytes.data(), int(bytes.size()));
    }

    struct Datagram {
        std::string bytes;
        orvik::IPv4Address from;
        int fromPort = -1;
    };

    // Waits for the next datagram and takes it.
    static Datagram Take(int handle) {
        Datagram d;
        EXPECT_TRUE(PumpUntil([&] { return orvik::CheckNetWorkRecvUDP(handle) == 1; }));
        d.bytes.resize(size_t(orvik::GetNetWorkUDPDataLength(handle)));
        EXPECT_EQ(orvik::NetWorkRecvUDP(handle, &d.from, &d.fromPort, d.bytes.data(), int(d.bytes.size())),
                  int(d.bytes.size()));
        return d;
    }

    static bool IsLoopback(const orvik::IPv4Address& a) {
        return std::equal(a.bytes, a.bytes + 4, kLoopbackBytes.bytes);
    }
};

TEST_F(DatagramTest, TwoHandlesExchangeDatagramsAndLearnTheSender) {
    const int a = orvik::MakeUDPSocket(0), b = orvik::MakeUDPSocket(0);
    ASSERT_NE(a, -1);
    ASSERT_NE(b, -1);
    EXPECT_EQ(a & 0x78000000, 0x30000000);
    EXPECT_NE(Port(a), Port(b));

    ASSERT_EQ(SendTo(a, b, "ping"), 0);
    const Datagram got = Take(b);
    EXPECT_EQ(got.bytes, "ping");
    EXPECT_TRUE(IsLoopback(got.from));
    EXPECT_EQ(got.fromPort, Port(a));

    // The reply goes back to the address and port the datagram came from.
    ASSERT_EQ(orvik::NetWorkSendUDP(b, got.from, got.fromPort, "pong!", 5), 0);
    const Datagram reply = Take(a);
    EXPECT_EQ(reply.bytes, "pong!");
    EXPECT_EQ(reply.fromPort, Port(b));
    EXPECT_EQ(orvik::CheckNetWorkRecvUDP(a), 0);
    EXPECT_EQ(orvik::CheckNetWorkRecvUDP(b), 0);
}

TEST_F(DatagramTest, EmptyOneByteAndLargestDatagramsArriveWhole) {
    const int a = orvik::MakeUDPSocket(0), b = orvik::MakeUDPSocket(0);
    ASSERT_EQ(SendTo(a, b, ""), 0);
    ASSERT_EQ(SendTo(a, b, std::string(1, '\0')), 0);
    // An empty datagram is one datagram: it waits, and taking it leaves the next.
    ASSERT_TRUE(PumpUntil([&] { return orvik::CheckNetWorkRecvUDP(b) == 1; }));
    EXPECT_EQ(orvik::GetNetWorkUDPDataLength(b), 0);
    int port = -1;
    EXPECT_EQ(orvik::NetWorkRecvUDP(b, nullptr, &port, nullptr, 0), 0);
    EXPECT_EQ(port, Port(a));
    EXPECT_EQ(Take(b).bytes, std::string(1, '\0'));

    const std::string largest = Pattern(orvik::kMaxUDPDataSize, 3);
    ASSERT_EQ(SendTo(a, b, largest), 0);
    EXPECT_TRUE(Take(b).bytes == largest);
    EXPECT_EQ(orvik::NetWorkSendUDP(a, kLoopbackBytes, Port(b), largest.data(), orvik::kMaxUDPDataSize + 1), -1);
    EXPECT_TRUE(Logged("送信データが不正です(65508 byte) in NetWorkSendUDP"));
}

TEST_F(DatagramTest, QueuedDatagramsComeOutInOrder) {
    const int a = orvik::MakeUDPSocket(0), b = orvik::MakeUDPSocket(0);
    for (unsigned i = 0; i < 12; ++i) ASSERT_EQ(SendTo(a, b, Pattern(1 + i * 97, i)), 0);
    for (unsigned i = 0; i < 12; ++i) EXPECT_EQ(Take(b).bytes, Pattern(1 + i * 97, i)) << i;
    EXPECT_EQ(orvik::CheckNetWorkRecvUDP(b), 0);
}

TEST_F(DatagramTest, ADatagramIsSeenOnceThePumpHasDeliveredItsEvent) {
    const int a = orvik::MakeUDPSocket(0), b = orvik::MakeUDPSocket(0);
    ASSERT_EQ(SendTo(a, b, "one"), 0);
    // Nothing has announced it yet: the socket is not even asked.
    EXPECT_EQ(orvik::CheckNetWorkRecvUDP(b), 0);
    EXPECT_EQ(orvik::NetWorkRecvUDP(b, nullptr, nullptr, nullptr, 0), -1);
    EXPECT_TRUE(Logged("受信したデータグラムがありません in NetWorkRecvUDP\n"));
    ASSERT_TRUE(PumpUntil([&] { return Record(b).readable == 1; }));
    // Several may be taken after one announcement; an empty look waits for the next.
    ASSERT_EQ(SendTo(a, b, "two"), 0);
    EXPECT_EQ(Take(b).bytes, "one");
    EXPECT_EQ(Take(b).bytes, "two");
    EXPECT_EQ(orvik::CheckNetWorkRecvUDP(b), 0);
    EXPECT_EQ(Record(b).readable, 0);
    ASSERT_EQ(SendTo(a, b, "three"), 0);
    EXPECT_EQ(Take(b).bytes, "three");
}

TEST_F(DatagramTest, ABufferTooSmallLeavesTheDatagramWaiting) {
    const int a = orvik::MakeUDPSocket(0), b = orvik::MakeUDPSocket(0);
    ASSERT_EQ(SendTo(a, b, "0123456789"), 0);
    ASSERT_TRUE(PumpUntil([&] { return orvik::CheckNetWorkRecvUDP(b) == 1; }));
    char small[4];
    EXPECT_EQ(orvik::NetWorkRecvUDP(b, nullptr, nullptr, small, sizeof small), -1);
    EXPECT_TRUE(Logged("受信バッファが足りません(データグラム 10 byte、バッファ 4 byte)"));
    EXPECT_EQ(orvik::NetWorkRecvUDP(b, nullptr, nullptr, nullptr, -1), -1);
    EXPECT_EQ(Take(b).bytes, "0123456789");
}

TEST_F(DatagramTest, SendingToAClosedPortHarmsNeitherEnd) {
    const int a = orvik::MakeUDPSocket(0), b = orvik::MakeUDPSocket(0), gone = orvik::MakeUDPSocket(0);
    const int closedPort = Port(gone);
    ASSERT_EQ(orvik::DeleteNetworkHandle(gone), 0);
    EXPECT_EQ(orvik::CheckNetWorkRecvUDP(gone), -1);
    for (int i = 0; i < 3; ++i) orvik::NetWorkSendUDP(a, kLoopbackBytes, closedPort, "lost", 4);
    // Whatever the system made of it, the handle sends and receives as before.
    ASSERT_EQ(SendTo(b, a, "still here"), 0);
    EXPECT_EQ(Take(a).bytes, "still here");
    ASSERT_EQ(SendTo(a, b, "and back"), 0);
    EXPECT_EQ(Take(b).bytes, "and back");
}

TEST_F(DatagramTest, BadHandlesArgumentsAndPortsAreRefused) {
    const int a = orvik::MakeUDPSocket(0);
    ASSERT_NE(a, -1);
    // A port taken by another datagram socket is not shared.
    EXPECT_EQ(orvik::MakeUDPSocket(Port(a)), -1);
    EXPECT_TRUE(Logged("bindに失敗しました"));
    EXPECT_EQ(orvik::MakeUDPSocket(-1), -1);
    EXPECT_EQ(orvik::MakeUDPSocket(65536), -1);
    EXPECT_TRUE(Logged("ポート番号が不正です(65536) in MakeUDPSocket"));
    EXPECT_EQ(orvik::NetWorkSendUDP(a, kLoopbackBytes, 0, "x", 1), -1);
    EXPECT_EQ(orvik::NetWorkSendUDP(a, kLoopbackBytes, 70000, "x", 1), -1);
    EXPECT_EQ(orvik::NetWorkSendUDP(a, kLoopbackBytes, Port(a), nullptr, 1), -1);
    EXPECT_EQ(orvik::NetWorkSendUDP(a, kLoopbackBytes, Port(a), "x", -1), -1);

    // A stream handle is no datagram handle, nor the other way round.
    ASSERT_EQ(orvik::PreparationListenNetWork(0), 0);
    const int listener = orvik::Network().listenHandle;
    EXPECT_EQ(orvik::CheckNetWorkRecvUDP(listener), -1);
    EXPECT_EQ(orvik::NetWorkSendUDP(listener, kLoopbackBytes, 9, "x", 1), -1);
    EXPECT_TRUE(Logged("有効なUDPネットワークハンドルではありません in NetWorkSendUDP"));
    EXPECT_EQ(orvik::NetWorkSend(a, "x", 1), -1);
    EXPECT_EQ(orvik::GetNetWorkDataLength(a), -1);
    EXPECT_EQ(orvik::CloseNetworkHandle(a), -1);
    EXPECT_EQ(orvik::RequestNetworkHandleClose(a), -1);
    for (int bad : {-1, 0, a + 1, a + 0x10000}) {
        EXPECT_EQ(orvik::CheckNetWorkRecvUDP(bad), -1);
        EXPECT_EQ(orvik::GetNetWorkUDPDataLength(bad), -1);
        EXPECT_EQ(orvik::NetWorkRecvUDP(bad, nullptr, nullptr, nullptr, 0), -1);
    }

    // Deleting closes the socket (the listener's is left) and frees the handle.
    EXPECT_EQ(orvik::DeleteNetworkHandle(a), 0);
    EXPECT_EQ(host::CountOpenSockets(), 1);
    EXPECT_EQ(orvik::NetWorkSendUDP(a, kLoopbackBytes, 9, "x", 1), -1);
    EXPECT_EQ(orvik::DeleteNetworkHandle(a), -1);
    EXPECT_EQ(orvik::EndNetwork(), 0);
    EXPECT_EQ(orvik::MakeUDPSocket(0), -1);
    EXPECT_TRUE(Logged("ネットワークが開始されていません\n"));
}

}  // namespace
}  // namespace orvik_test
