// The network pump while many connections flood the program with small messages. Every
// peer has 1024 messages of 8 to 23 bytes waiting on its socket (the program cannot keep up
// with a peer that sends without pause, so this is what a pump meets), and the bench pumps
// until every message is taken, taking them between pumps as a program would.
// BM_LongestPumpUnderFlood reports the longest pump as the time, with the most processor
// time one pump took on its own thread ("cpu_ms", which a loaded machine does not stretch),
// the pumps needed ("pumps") and the most messages one pump took ("most_taken").
// BM_QuietPeerUnderFlood adds one more peer, connected last, that sends a single message
// after the flood is on the sockets; the time is how long from the first pump until that
// message is there, with the pumps that took ("pumps") and the longest pump ("longest_ms").
#include <benchmark/benchmark.h>
#include <orvik/network.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "bench/common/engine_start.h"
#include "engine/platform/network/network.h"
#include "engine/platform/network/network_state.h"
#include "engine/platform/startup/system_libraries.h"
#include "host/win/window/message_queue.h"
#include "host/winsock/winsock.h"

namespace {

constexpr int kMessagesPerPeer = 1024;
constexpr int kConnectStep = 8;  // fewer than the listening socket's backlog

double Seconds(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

struct Peer {
    host::SOCKET socket;
    int handle;
};

// Connects n peers to the listening handle, a few at a time, and takes each connection.
std::vector<Peer> ConnectPeers(int n, int port) {
    std::vector<Peer> peers;
    host::SOCKADDR_IN to;
    to.sin_addr = host::INADDR_LOOPBACK_NET;
    to.sin_port = host::htons(uint16_t(port));
    while (int(peers.size()) < n) {
        const size_t from = peers.size();
        for (int i = 0; i < kConnectStep && int(peers.size()) < n; ++i) {
            const host::SOCKET s = host::socket(host::AF_INET, host::SOCK_STREAM, 0);
            if (host::connect(s, &to, sizeof to) != 0) std::abort();
            peers.push_back({s, -1});
        }
        for (size_t i = from; i < peers.size();) {
            orvik::PumpNetworkMessages(0);
            const int handle = orvik::GetNewAcceptNetWork();
            if (handle != -1) peers[i++].handle = handle;
            else host::WaitForQueuedMessage(10);
        }
    }
    return peers;
}

std::vector<char> Messages() {
    std::vector<char> bytes;
    for (int i = 0; i < kMessagesPerPeer; ++i) {
        const int size = 8 + i % 16;
        const size_t at = bytes.size();
        bytes.resize(at + 4 + size, char(i));
        orvik::StoreLength(reinterpret_cast<unsigned char*>(&bytes[at]), size);
    }
    return bytes;
}

void SendAll(host::SOCKET s, const std::vector<char>& bytes) {
    for (size_t at = 0; at < bytes.size();) {
        const int n = host::send(s, bytes.data() + at, int(bytes.size() - at), 0);
        if (n <= 0) std::abort();
        at += size_t(n);
    }
}

// Messages waiting in the program, taken.
int TakeAll(const std::vector<Peer>& peers) {
    static char buffer[64];
    int taken = 0;
    for (const Peer& p : peers)
        while (orvik::NetWorkRecv(p.handle, buffer, sizeof buffer) > 0) ++taken;
    return taken;
}

// Starts the network listening on a free port and connects n peers to it.
std::vector<Peer> StartWithPeers(int n) {
    bench_support::UseHeadlessHost();
    orvik::LoadStartupLibraries();
    if (orvik::InitNetwork() != 0 || orvik::PreparationListenNetWork(0) != 0) std::abort();
    host::SOCKADDR_IN address;
    int length = sizeof address;
    const orvik::NetworkRecord* listening = orvik::Network().table.Find(orvik::Network().listenHandle);
    if (host::getsockname(listening->socket, &address, &length) != 0) std::abort();
    return ConnectPeers(n, host::ntohs(address.sin_port));
}

void Stop(const std::vector<Peer>& peers) {
    for (const Peer& p : peers) host::closesocket(p.socket);
    orvik::EndNetwork();
    orvik::FreeSystemLibraries();
}

struct Drain {
    double longest = 0, mostCpu = 0, mostTaken = 0, pumps = 0;
};

// Pumps until `left` messages are taken, taking them after each pump; `look(pumps)` sees
// what a pump brought before they are taken.
template <typename Look>
Drain PumpUntilTaken(const std::vector<Peer>& peers, int64_t left, Look look) {
    Drain d;
    while (left > 0) {
        const double start = Seconds(CLOCK_MONOTONIC), cpu = Seconds(CLOCK_THREAD_CPUTIME_ID);
        orvik::PumpNetworkMessages(0);
        d.longest = std::max(d.longest, Seconds(CLOCK_MONOTONIC) - start);
        d.mostCpu = std::max(d.mostCpu, Seconds(CLOCK_THREAD_CPUTIME_ID) - cpu);
        look(++d.pumps);
        const int taken = TakeAll(peers);
        d.mostTaken = std::max(d.mostTaken, double(taken));
        left -= taken;
        if (taken == 0) host::WaitForQueuedMessage(10);
    }
    return d;
}

// Every socket announces its data before the first pump.
void AwaitAnnouncements(int n) { std::this_thread::sleep_for(std::chrono::milliseconds(100 + n / 16)); }

void BM_LongestPumpUnderFlood(benchmark::State& state) {
    const int n = int(state.range(0));
    const std::vector<Peer> peers = StartWithPeers(n);
    const std::vector<char> batch = Messages();
    Drain d;
    for (auto _ : state) {
        for (const Peer& p : peers) SendAll(p.socket, batch);
        AwaitAnnouncements(n);
        d = PumpUntilTaken(peers, int64_t(n) * kMessagesPerPeer, [](double) {});
        state.SetIterationTime(d.longest);
    }
    state.counters["cpu_ms"] = d.mostCpu * 1000;
    state.counters["pumps"] = d.pumps;
    state.counters["most_taken"] = d.mostTaken;
    Stop(peers);
}

BENCHMARK(BM_LongestPumpUnderFlood)
    ->Arg(64)->Arg(256)->Arg(1024)->Arg(8000)
    ->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_QuietPeerUnderFlood(benchmark::State& state) {
    const int n = int(state.range(0));
    const std::vector<Peer> peers = StartWithPeers(n + 1);
    const Peer quiet = peers.back();
    const std::vector<Peer> flooding(peers.begin(), peers.end() - 1);
    const std::vector<char> batch = Messages(), one(batch.begin(), batch.begin() + 12);
    double heardAt = 0;
    Drain d;
    for (auto _ : state) {
        for (const Peer& p : flooding) SendAll(p.socket, batch);
        SendAll(quiet.socket, one);
        AwaitAnnouncements(n);
        const double start = Seconds(CLOCK_MONOTONIC);
        heardAt = 0;
        d = PumpUntilTaken(peers, int64_t(n) * kMessagesPerPeer + 1, [&](double pump) {
            if (heardAt > 0 || orvik::GetNetWorkDataLength(quiet.handle) == 0) return;
            heardAt = pump;
            state.SetIterationTime(Seconds(CLOCK_MONOTONIC) - start);
        });
    }
    state.counters["pumps"] = heardAt;
    state.counters["longest_ms"] = d.longest * 1000;
    Stop(peers);
}

// 8190 flooding peers, the quiet one and the listening handle fill the network's table.
BENCHMARK(BM_QuietPeerUnderFlood)
    ->Arg(1024)->Arg(8190)
    ->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
