// Closing handles, the pump's closing of handles in error, the full table, unknown
// sockets, and shutting the whole network down.
#include "network_fixture.h"
#include "host/heap.h"

namespace orvik_test {
namespace {

// A plain blocking socket of the test's own, outside the engine's handles.
host::SOCKET RawConnect(int port) {
    host::SOCKET s = host::socket(host::AF_INET, host::SOCK_STREAM, 0);
    host::SOCKADDR_IN to;
    to.sin_addr = host::inet_addr("127.0.0.1");
    to.sin_port = host::htons(uint16_t(port));
    EXPECT_EQ(host::connect(s, &to, sizeof to), 0);
    return s;
}

TEST_F(NetworkTest, CloseSendsWhatIsQueuedBeforeClosing) {
    const Connection c = Connect();
    const std::string big = Pattern(512 * 1024, 9);
    ASSERT_EQ(Send(c.client, big), 0);
    ASSERT_EQ(Send(c.client, "tail"), 0);
    ASSERT_GT(orvik::GetNetWorkSendDataLength(c.client), 0);
    // The peer is in this process, so the close's own pumping lets it read.
    ASSERT_EQ(orvik::CloseNetworkHandle(c.client), 0);
    EXPECT_TRUE(Receive(c.server) == big);
    EXPECT_EQ(Receive(c.server), "tail");
}

TEST_F(NetworkTest, CloseGivesUpAfterItsBoundWhenThePeerReadsNothing) {
    ASSERT_EQ(orvik::PreparationListenNetWork(0), 0);
    const host::SOCKET peer = RawConnect(ListenPort());
    int server = -1;
    ASSERT_TRUE(PumpUntil([&] { return (server = orvik::GetNewAcceptNetWork()) != -1; }));
    ASSERT_EQ(Send(server, Pattern(4 << 20, 1)), 0);
    const double start = NowSeconds();
    EXPECT_EQ(orvik::CloseNetworkHandle(server), 0);
    const double took = NowSeconds() - start;
    EXPECT_GE(took, 0.99);
    EXPECT_LT(took, 5.0);
    EXPECT_EQ(orvik::GetNetWorkAcceptState(server), -1);
    host::closesocket(peer);
}

// A raw peer sends the message "ok" and then a length that is refused. The connection
// ends, not the handle: the frame's close pass leaves it in error with "ok" still there
// to take, until the program deletes it.
class RefusedLengthTest : public NetworkTest {
protected:
    void TearDown() override {
        if (peer_ != host::INVALID_SOCKET) host::closesocket(peer_);
        NetworkTest::TearDown();
    }
    // The server's handle once the length is refused with the log line and "ok" taken.
    int RefuseAfterOk(const unsigned char (&length)[4], const std::string& logLine) {
        EXPECT_EQ(orvik::PreparationListenNetWork(0), 0);
        peer_ = RawConnect(ListenPort());
        int server = -1;
        EXPECT_TRUE(PumpUntil([&] { return (server = orvik::GetNewAcceptNetWork()) != -1; }));
        const unsigned char bytes[] = {2, 0, 0, 0, 'o', 'k', length[0], length[1], length[2], length[3]};
        EXPECT_EQ(host::send(peer_, reinterpret_cast<const char*>(bytes), sizeof bytes, 0), int(sizeof bytes));
        EXPECT_TRUE(PumpUntil([&] { return Record(server).error == 1; }));
        EXPECT_TRUE(Logged(logLine));
        EXPECT_EQ(orvik::RecvSocket(server), -1);
        EXPECT_TRUE(Logged("このネットワークハンドルにはエラーが発生しています in RecvSocket\n"));
        orvik::PumpNetworkMessages(1);
        EXPECT_EQ(orvik::GetNetWorkAcceptState(server), -1);
        char buffer[8];
        EXPECT_EQ(orvik::NetWorkRecv(server, buffer, sizeof buffer), 2);
        EXPECT_EQ(std::string(buffer, 2), "ok");
        EXPECT_LE(host::recv(peer_, buffer, sizeof buffer, 0), 0) << "the peer sees the connection end";
        return server;
    }
    host::SOCKET peer_ = host::INVALID_SOCKET;
};

TEST_F(RefusedLengthTest, ABadLengthKeepsTheHandleInErrorWithTheMessagesBeforeIt) {
    const unsigned char negative[4] = {0xFE, 0xFF, 0xFF, 0xFF};
    const int server = RefuseAfterOk(negative, "受信したメッセージの長さが不正です(-2 byte)");
    EXPECT_EQ(orvik::DeleteNetworkHandle(server), 0);
}

// A hostile prefix announcing almost 2 GB reserves nothing.
TEST_F(RefusedLengthTest, AnAnnouncedMessageBeyondTheLimitReservesNothing) {
    const unsigned char huge[4] = {0x00, 0xF0, 0xFF, 0x7F};
    const int server =
        RefuseAfterOk(huge, "受信したメッセージが大きすぎるため接続を閉じます(2147479552 byte、上限 8388608 byte)");
    EXPECT_LT(Record(server).recvRing.capacity, 1 << 20);
    EXPECT_EQ(orvik::DeleteNetworkHandle(server), 0);
}

// The program sets the limit: a message of exactly that size goes through both ways, one
// byte more is refused at the sender and closes the receiver's connection.
TEST_F(NetworkTest, TheMessageLimitIsTheProgramsToSet) {
    EXPECT_EQ(orvik::SetMaxNetWorkMessageSize(0), -1);
    ASSERT_EQ(orvik::SetMaxNetWorkMessageSize(16), 0);
    const Connection c = Connect();
    ASSERT_EQ(Send(c.client, Pattern(16, 3)), 0);
    EXPECT_EQ(Receive(c.server), Pattern(16, 3));
    EXPECT_EQ(Send(c.client, Pattern(17, 3)), -1);
    EXPECT_TRUE(Logged("送信データが大きすぎます(17 byte、上限 16 byte)"));
    EXPECT_EQ(orvik::GetNetWorkSendDataLength(c.client), 0);
    ASSERT_EQ(orvik::SetMaxNetWorkMessageSize(64), 0);
    ASSERT_EQ(Send(c.client, Pattern(40, 4)), 0);
    ASSERT_EQ(orvik::SetMaxNetWorkMessageSize(32), 0);
    ASSERT_TRUE(PumpUntil([&] { return Record(c.server).error == 1; }));
    EXPECT_EQ(orvik::GetNetWorkDataLength(c.server), 0);
}

TEST_F(NetworkTest, AHandleGivenUpIsClosedByThePumpsClosePassAfterSendingItsQueue) {
    const Connection c = Connect();
    ASSERT_EQ(Send(c.client, "last words"), 0);
    EXPECT_EQ(orvik::RequestNetworkHandleClose(c.client), 0);
    // Only the pass that asks for closing closes it.
    orvik::PumpNetworkMessages(0);
    ASSERT_NE(orvik::Network().table.Find(c.client), nullptr);
    orvik::PumpNetworkMessages(1);
    EXPECT_EQ(orvik::Network().table.Find(c.client), nullptr);
    EXPECT_EQ(orvik::GetNetWorkAcceptState(c.client), -1);
    EXPECT_EQ(Receive(c.server), "last words");
    EXPECT_TRUE(PumpUntil([&] { return orvik::GetNetWorkAcceptState(c.server) == 0; }));
}

TEST_F(NetworkTest, AHandleGivenUpThatThePeerClosedIsFreedByTheClosePass) {
    const Connection c = Connect();
    ASSERT_EQ(orvik::RequestNetworkHandleClose(c.client), 0);
    ASSERT_EQ(orvik::CloseNetworkHandle(c.server), 0);
    ASSERT_TRUE(PumpUntil([&] { return Record(c.client).closedByPeer == 1; }));
    orvik::PumpNetworkMessages(1);
    EXPECT_EQ(orvik::Network().table.Find(c.client), nullptr);
    EXPECT_EQ(host::CountOpenSockets(), 1);  // the listener's
}

TEST_F(NetworkTest, OnlyAConnectedHandleCanBeGivenUp) {
    EXPECT_EQ(orvik::RequestNetworkHandleClose(-1), -1);
    EXPECT_TRUE(Logged("有効なネットワークハンドルではありません in RequestNetworkHandleClose\n"));
    const Connection c = Connect();
    ASSERT_EQ(orvik::CloseNetworkHandle(c.server), 0);
    ASSERT_TRUE(PumpUntil([&] { return orvik::GetNetWorkAcceptState(c.client) == 0; }));
    EXPECT_EQ(orvik::RequestNetworkHandleClose(c.client), -1);
    EXPECT_TRUE(Logged("接続されていないネットワークハンドルです in RequestNetworkHandleClose\n"));
    EXPECT_NE(orvik::Network().table.Find(c.client), nullptr);
}

TEST_F(NetworkTest, FullTableRefusesTheConnectionAndStillHearsTheNextOne) {
    ASSERT_EQ(orvik::PreparationListenNetWork(0), 0);
    auto& table = orvik::Network().table;
    int filler = -1;
    while (table.Count() < orvik::kNetworkCapacity) filler = table.Add();
    const int refused = orvik::ConnectNetWork("127.0.0.1", ListenPort());
    EXPECT_EQ(refused, -1);  // no slot for the connecting end either

    // A connection from outside the engine is refused by the listener: taken and closed.
    const host::SOCKET peer = RawConnect(ListenPort());
    ASSERT_TRUE(PumpUntil([&] { return Logged("空きソケットデータがなかったので accept を拒否しました \n"); }));
    char byte;
    EXPECT_EQ(host::recv(peer, &byte, 1, 0), 0);
    host::closesocket(peer);

    // With a slot free again the listener still announces connections.
    table.Release(filler);
    const host::SOCKET next = RawConnect(ListenPort());
    int server = -1;
    EXPECT_TRUE(PumpUntil([&] { return (server = orvik::GetNewAcceptNetWork()) != -1; }));
    host::closesocket(next);
}

// A peer that sends half a length and closes: the close is still seen, and the handle is
// not kept busy meanwhile by the half length being announced again and again.
TEST_F(NetworkTest, APeerClosingInsideALengthIsSeenToCloseAndCostsNoSpin) {
    ASSERT_EQ(orvik::PreparationListenNetWork(0), 0);
    const host::SOCKET peer = RawConnect(ListenPort());
    int server = -1;
    ASSERT_TRUE(PumpUntil([&] { return (server = orvik::GetNewAcceptNetWork()) != -1; }));
    CountEngineRecvCalls();
    const unsigned char half[2] = {5, 0};
    ASSERT_EQ(host::send(peer, reinterpret_cast<const char*>(half), 2, 0), 2);
    ASSERT_TRUE(PumpUntil([&] { return g_engineRecvCalls > 0; }));
    for (int pass = 0; pass < 10; ++pass) {
        orvik::PumpNetworkMessages(0);
        host::WaitForQueuedMessage(20);
    }
    orvik::PumpNetworkMessages(0);
    EXPECT_LE(g_engineRecvCalls, 4);

    // The rest of the length and the body still make the message.
    const unsigned char rest[7] = {0, 0, 'h', 'e', 'l', 'l', 'o'};
    ASSERT_EQ(host::send(peer, reinterpret_cast<const char*>(rest), 7, 0), 7);
    EXPECT_EQ(Receive(server), "hello");

    ASSERT_EQ(host::send(peer, reinterpret_cast<const char*>(half), 2, 0), 2);
    host::closesocket(peer);
    EXPECT_TRUE(PumpUntil([&] { return Record(server).closedByPeer == 1; }, 3.0));
    EXPECT_EQ(orvik::GetNetWorkDataLength(server), 0);
    orvik::Network().ws2.recv = g_plainRecv;
    EXPECT_EQ(orvik::DeleteNetworkHandle(server), 0);
}

// What a peer announces is not taken on trust: room is made as the bytes come, so a length
// of 4 MB followed by a few bytes costs a few bytes, and the message still arrives whole.
TEST_F(NetworkTest, AnAnnouncedLengthCostsOnlyTheBytesThatCame) {
    ASSERT_EQ(orvik::PreparationListenNetWork(0), 0);
    const host::SOCKET peer = RawConnect(ListenPort());
    int server = -1;
    ASSERT_TRUE(PumpUntil([&] { return (server = orvik::GetNewAcceptNetWork()) != -1; }));
    const std::string body = Pattern(4 << 20, 5);
    const unsigned char length[4] = {0, 0, 0x40, 0};
    ASSERT_EQ(host::send(peer, reinterpret_cast<const char*>(length), 4, 0), 4);
    ASSERT_EQ(host::send(peer, body.data(), 16, 0), 16);
    ASSERT_TRUE(PumpUntil([&] { return Record(server).recvTaken == 16; }));
    EXPECT_LT(Record(server).recvRing.capacity, 1 << 20);

    // Each piece is taken before the next goes, so the peer's blocking send never waits on
    // a full socket.
    for (size_t sent = 16; sent < body.size();) {
        const int n = host::send(peer, body.data() + sent, int(std::min<size_t>(body.size() - sent, 1 << 16)), 0);
        ASSERT_GT(n, 0);
        sent += size_t(n);
        ASSERT_TRUE(PumpUntil([&] {
            return size_t(Record(server).recvTaken) == sent || orvik::GetNetWorkDataLength(server) > 0;
        }));
    }
    EXPECT_TRUE(Receive(server) == body);
    host::closesocket(peer);
}

// A handle whose receive buffer could not grow in the middle of a message can receive no
// more: its connection ends at once, without waiting for the rest of that message.
TEST_F(NetworkTest, AReceiveBufferThatCannotGrowEndsTheConnectionAtOnce) {
    ASSERT_EQ(orvik::PreparationListenNetWork(0), 0);
    const host::SOCKET peer = RawConnect(ListenPort());
    int server = -1;
    ASSERT_TRUE(PumpUntil([&] { return (server = orvik::GetNewAcceptNetWork()) != -1; }));
    const std::string body = Pattern(1 << 20, 3);
    const unsigned char length[4] = {0, 0, 0x10, 0};
    ASSERT_EQ(host::send(peer, reinterpret_cast<const char*>(length), 4, 0), 4);
    // Room for the first steps of the message, not for more.
    host::SetHeapFailureSize(150 << 10);
    for (size_t sent = 0; sent < body.size() && Record(server).error == 0;) {
        ASSERT_EQ(host::send(peer, body.data() + sent, 16 << 10, 0), 16 << 10);
        sent += 16 << 10;
        PumpUntil([&] { return size_t(Record(server).recvTaken) == sent || Record(server).error == 1; });
    }
    host::SetHeapFailureSize(0);
    ASSERT_EQ(Record(server).error, 1);
    EXPECT_NE(Record(server).recvLength, 0);
    EXPECT_TRUE(Logged("受信データを保存するリングバッファのリサイズに失敗しました(データサイズ 1048576 byte)"));

    EXPECT_EQ(Record(server).connected, 0);
    EXPECT_EQ(orvik::GetNetWorkAcceptState(server), -1);
    char byte = 0;
    EXPECT_LE(host::recv(peer, &byte, 1, 0), 0) << "the peer sees the connection end";
    EXPECT_EQ(orvik::DeleteNetworkHandle(server), 0);
    host::closesocket(peer);
}

TEST_F(NetworkTest, UnknownSocketIsLoggedAndIgnored) {
    EXPECT_EQ(orvik::HandleSocketMessage(0xDEAD, host::FD_READ), 0);
    EXPECT_TRUE(Logged("通信エラー No.1\n"));
    EXPECT_EQ(orvik::RecvSocket(0x30000000), -1);
    EXPECT_TRUE(Logged("有効なネットワークハンドルではありません in RecvSocket\n"));
    EXPECT_EQ(orvik::SendSocket(-1), -1);
    EXPECT_TRUE(Logged("有効なネットワークハンドルではありません in SendSocket\n"));
}

TEST_F(NetworkTest, EndNetworkClosesEveryHandleAndTheWindow) {
    const Connection c = Connect();
    ASSERT_EQ(Send(c.client, "pending"), 0);
    const host::HWND window = orvik::Network().window;
    ASSERT_TRUE(host::IsWindow(window));

    EXPECT_EQ(orvik::EndNetwork(), 0);
    EXPECT_EQ(orvik::GetNetWorkAcceptState(c.client), -1);
    const std::string log = Log();
    const size_t begin = log.find(InLog("ネットワーク関連の終了処理を行います \n"));
    const size_t end = log.find(InLog("ネットワーク関連の終了処理は完了しました\n"));
    ASSERT_NE(begin, std::string::npos);
    ASSERT_NE(end, std::string::npos);
    EXPECT_LT(begin, end);
    EXPECT_FALSE(host::IsWindow(window));
    EXPECT_EQ(orvik::Network().table.Count(), 0);
    EXPECT_EQ(host::CountOpenSockets(), 0);

    // Ended: both return at once and log nothing more; the network can start again.
    EXPECT_EQ(orvik::EndNetwork(), 0);
    EXPECT_EQ(orvik::PumpNetworkMessages(1), 0);
    EXPECT_EQ(Log(), log);
    ASSERT_EQ(orvik::InitNetwork(), 0);
    const Connection again = Connect();
    ASSERT_EQ(Send(again.server, "again"), 0);
    EXPECT_EQ(Receive(again.client), "again");
}

}  // namespace
}  // namespace orvik_test
