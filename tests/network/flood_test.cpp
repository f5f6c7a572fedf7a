// A peer that sends without pause: each pump takes a bounded part of what waits on the
// socket, so the program keeps its frames, and every message still arrives, whole and in
// order, the last ones after the peer has stopped.
#include <algorithm>
#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include "network_fixture.h"

namespace orvik_test {
namespace {

constexpr double kFloodSeconds = 2.0;

// Message i: its number, then filler. The first is larger than a pump takes, so it is cut
// between pumps; the rest are a few bytes each, so receiving costs the most per byte.
constexpr uint32_t kFloodPeriod = 4096;
size_t FloodSize(uint32_t i) { return i == 0 ? size_t(orvik::kReceiveShareBytes) + 3 : 4 + i % 32; }
char FloodByte(uint32_t i, size_t k) { return char(k < 4 ? i >> (8 * k) : (i + k) & 0xFF); }

bool IsFloodMessage(const std::vector<char>& m, uint32_t i) {
    if (m.size() != FloodSize(i)) return false;
    for (size_t k = 0; k < m.size(); ++k)
        if (m[k] != FloodByte(i, k)) return false;
    return true;
}

// Appends message i after its length; returns where its number is.
size_t AppendFloodMessage(std::vector<char>& batch, uint32_t i) {
    const size_t size = FloodSize(i), at = batch.size() + 4;
    batch.resize(at + size);
    orvik::StoreLength(reinterpret_cast<unsigned char*>(&batch[at - 4]), int32_t(size));
    for (size_t k = 0; k < size; ++k) batch[at + k] = FloodByte(i, k);
    return at;
}

bool SendAll(host::SOCKET peer, const std::vector<char>& bytes) {
    for (size_t at = 0; at < bytes.size();) {
        const int n = host::send(peer, bytes.data() + at, int(bytes.size() - at), 0);
        if (n <= 0) return false;
        at += size_t(n);
    }
    return true;
}

// Sends message 0, then the others as fast as the connection takes them, kFloodPeriod at
// a time, for kFloodSeconds; `sent` counts the messages wholly handed to the socket. The
// small messages' bytes repeat with the period: made once, only their numbers change, so
// the peer outpaces any receiver.
void Flood(host::SOCKET peer, std::atomic<uint32_t>& sent, std::atomic<bool>& done) {
    const double end = NowSeconds() + kFloodSeconds;
    std::vector<char> batch;
    AppendFloodMessage(batch, 0);
    bool open = SendAll(peer, batch);
    if (open) sent = 1;
    batch.clear();
    std::vector<size_t> numberAt;
    for (uint32_t i = 1; i <= kFloodPeriod; ++i) numberAt.push_back(AppendFloodMessage(batch, i));
    for (uint32_t first = 1; open && NowSeconds() < end; first += kFloodPeriod) {
        for (uint32_t i = 0; i < kFloodPeriod; ++i)
            for (size_t k = 0; k < 4; ++k) batch[numberAt[i] + k] = FloodByte(first + i, k);
        open = SendAll(peer, batch);
        if (open) sent = first + kFloodPeriod;
    }
    done = true;
}

TEST_F(NetworkTest, FloodingPeerNeitherHoldsThePumpNorLosesMessages) {
    ASSERT_EQ(orvik::PreparationListenNetWork(0), 0);
    const host::SOCKET peer = host::socket(host::AF_INET, host::SOCK_STREAM, 0);
    host::SOCKADDR_IN to;
    to.sin_addr = host::INADDR_LOOPBACK_NET;
    to.sin_port = host::htons(uint16_t(ListenPort()));
    ASSERT_EQ(host::connect(peer, &to, sizeof to), 0);
    int server = -1;
    ASSERT_TRUE(PumpUntil([&] { return (server = orvik::GetNewAcceptNetWork()) != -1; }));

    std::atomic<uint32_t> sent{0};
    std::atomic<bool> done{false};
    std::thread sender(Flood, peer, std::ref(sent), std::ref(done));
    double longest = 0;
    uint32_t taken = 0, takenWhenStopped = 0;
    bool intact = true;
    std::vector<char> m;
    const double deadline = NowSeconds() + kFloodSeconds + 20;
    while (intact && !(done && taken == sent) && NowSeconds() < deadline) {
        const bool stopped = done;
        const double start = NowSeconds();
        orvik::PumpNetworkMessages(0);
        longest = std::max(longest, NowSeconds() - start);
        for (int length; intact && (length = orvik::GetNetWorkDataLength(server)) > 0;) {
            m.resize(size_t(length));
            intact = orvik::NetWorkRecv(server, m.data(), length) == length && IsFloodMessage(m, taken);
            taken += intact;
        }
        if (!stopped) takenWhenStopped = taken;
        host::WaitForQueuedMessage(20);
    }
    // A peer still sending (the messages stopped coming) is stopped by the reset.
    orvik::DeleteNetworkHandle(server);
    sender.join();
    host::closesocket(peer);
    EXPECT_TRUE(intact) << "message " << taken;
    EXPECT_EQ(taken, sent.load());
    // What waited on the socket when the peer stopped still came, with no new data to
    // announce it.
    EXPECT_LT(takenWhenStopped, sent.load());
    // One pump lasting as long as the flood would be the program frozen; the bound leaves
    // room for slow sanitized builds.
    EXPECT_LT(longest, 0.25);
}

// Many peers with more waiting than their shares, and one more that sends one message: one
// pump reads no more than its allowance from all of them together, every message arrives
// whole and in order, and the quiet peer is heard in the first pump that finds its message
// announced, however much the others have waiting.
TEST_F(NetworkTest, ManyFloodingPeersShareEachPumpAndAQuietOneIsHeardAtOnce) {
    constexpr int kPeers = 25;  // the last one is quiet
    constexpr uint32_t kEach = 3 * orvik::kReceiveShareMessages;
    ASSERT_EQ(orvik::PreparationListenNetWork(0), 0);
    host::SOCKADDR_IN to;
    to.sin_addr = host::INADDR_LOOPBACK_NET;
    to.sin_port = host::htons(uint16_t(ListenPort()));
    std::vector<host::SOCKET> peers;
    std::vector<int> servers;
    std::vector<char> batch;
    for (uint32_t i = 1; i <= kEach; ++i) AppendFloodMessage(batch, i);
    for (int p = 0; p < kPeers; ++p) {
        peers.push_back(host::socket(host::AF_INET, host::SOCK_STREAM, 0));
        ASSERT_EQ(host::connect(peers.back(), &to, sizeof to), 0);
        int server = -1;
        ASSERT_TRUE(PumpUntil([&] { return (server = orvik::GetNewAcceptNetWork()) != -1; }));
        servers.push_back(server);
    }
    std::vector<uint32_t> last(kPeers, kEach);
    last.back() = 1;
    for (int p = 0; p < kPeers - 1; ++p) ASSERT_TRUE(SendAll(peers[p], batch));
    ASSERT_TRUE(SendAll(peers.back(), std::vector<char>(batch.begin(), batch.begin() + 4 + FloodSize(1))));
    CountEngineRecvCalls();
    std::vector<uint32_t> next(kPeers, 1);
    int mostReads = 0, quietWaited = 0;
    bool intact = true;
    std::vector<char> m;
    const auto allTaken = [&] {
        for (int p = 0; p < kPeers; ++p)
            if (next[p] <= last[p]) return false;
        return true;
    };
    for (int pump = 0; intact && !allTaken() && pump < 1000; ++pump) {
        const bool quietWanting = Record(servers.back()).recvWanted;
        g_engineRecvCalls = 0;
        orvik::PumpNetworkMessages(0);
        mostReads = std::max(mostReads, g_engineRecvCalls);
        bool anything = false;
        for (int p = 0; p < kPeers; ++p) {
            const uint32_t before = next[p];
            for (int length; intact && (length = orvik::GetNetWorkDataLength(servers[p])) > 0; ++next[p]) {
                m.resize(size_t(length));
                intact = orvik::NetWorkRecv(servers[p], m.data(), length) == length && IsFloodMessage(m, next[p]);
            }
            anything |= next[p] != before;
        }
        quietWaited += quietWanting && next.back() == 1;
        if (!anything) host::WaitForQueuedMessage(20);
    }
    for (host::SOCKET peer : peers) host::closesocket(peer);
    EXPECT_TRUE(intact);
    EXPECT_TRUE(allTaken());
    EXPECT_LE(mostReads, orvik::kPumpReceiveReads);
    // A turn is one message, two reads here; a round of turns over every peer fits in one
    // pump's allowance many times over.
    EXPECT_EQ(quietWaited, 0);
}

}  // namespace
}  // namespace orvik_test
