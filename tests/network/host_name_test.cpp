// Host names: the engine's lookups and the socket stand-in's beneath them. Only names the
// machine answers itself are asked (localhost, its own name, dotted text, texts that cannot
// be names), so no query leaves the machine.
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "network_fixture.h"

namespace orvik_test {
namespace {

using IPv4Bytes = std::array<unsigned char, 4>;

IPv4Bytes BytesOf(const orvik::IPv4Address& a) { return {a.bytes[0], a.bytes[1], a.bytes[2], a.bytes[3]}; }

const IPv4Bytes kLoopbackIPv4{127, 0, 0, 1};

std::string SystemHostName() {
    char name[256] = {};
    return ::gethostname(name, sizeof name - 1) == 0 ? name : "";
}

TEST_F(NetworkTest, LocalhostAndDottedTextGiveTheirAddress) {
    orvik::IPv4Address address;
    ASSERT_EQ(orvik::GetHostIPbyName("localhost", &address), 0);
    EXPECT_EQ(BytesOf(address), kLoopbackIPv4);
    ASSERT_EQ(orvik::GetHostIPbyName("10.20.30.40", &address), 0);
    EXPECT_EQ(BytesOf(address), (IPv4Bytes{10, 20, 30, 40}));
}

TEST_F(NetworkTest, NamesThatNameNoHostAreRefusedWithALogLine) {
    orvik::IPv4Address address{{9, 9, 9, 9}};
    const std::string longLabel(64, 'a');
    std::string tooLong = std::string(50, 'a');  // five labels of 50: 254 characters
    for (int i = 0; i < 4; ++i) tooLong += "." + std::string(50, 'a');
    for (const std::string& name : {std::string("no such host"), std::string("bad..name"), longLabel, tooLong,
                                    std::string("host!"), std::string(".")}) {
        EXPECT_EQ(orvik::GetHostIPbyName(name.c_str(), &address), -1) << name;
        EXPECT_TRUE(Logged("ネットワークログ。ホスト " + name + " のアドレスを取得できませんでした[" +
                           std::to_string(host::WSAHOST_NOT_FOUND) + "]"))
            << name;
    }
    EXPECT_EQ(BytesOf(address), (IPv4Bytes{9, 9, 9, 9}));  // untouched
    EXPECT_EQ(orvik::GetHostIPbyName(nullptr, &address), -1);
    EXPECT_EQ(orvik::GetHostIPbyName("", &address), -1);
    EXPECT_TRUE(Logged("ホスト名がありません in GetHostIPbyName\n"));
    EXPECT_EQ(orvik::GetHostIPbyName("localhost", nullptr), -1);
    EXPECT_TRUE(Logged("結果の格納先がありません in GetHostIPbyName"));
    // Connecting to a name that names no host is refused at once.
    EXPECT_EQ(orvik::ConnectNetWork("no such host", 80), -1);
    EXPECT_TRUE(Logged("接続先が不正です(no such host:80)"));
}

TEST_F(NetworkTest, TheLocalHostHasANameAndAnAddress) {
    char name[256];
    ASSERT_EQ(orvik::GetMyHostName(name, sizeof name), 0);
    EXPECT_GT(std::strlen(name), 0u);
    EXPECT_EQ(std::string(name), SystemHostName());
    // The name and its terminating zero must fit.
    EXPECT_EQ(orvik::GetMyHostName(name, int(std::strlen(name))), -1);
    EXPECT_TRUE(Logged("ホスト名を取得できませんでした[" + std::to_string(host::WSAEFAULT) + "]"));
    EXPECT_EQ(orvik::GetMyHostName(nullptr, 16), -1);

    // Its own name is answered from its interfaces, without the resolver: an address
    // that is not "any", the same by name and by asking for it.
    orvik::IPv4Address mine, byName;
    ASSERT_EQ(orvik::GetMyIPAddress(&mine), 0);
    EXPECT_NE(BytesOf(mine), (IPv4Bytes{0, 0, 0, 0}));
    ASSERT_EQ(orvik::GetHostIPbyName(SystemHostName().c_str(), &byName), 0);
    EXPECT_EQ(BytesOf(mine), BytesOf(byName));
}

TEST_F(NetworkTest, ConnectingByHostNameReachesTheListener) {
    ASSERT_EQ(orvik::PreparationListenNetWork(0), 0);
    const int client = orvik::ConnectNetWork("localhost", ListenPort());
    ASSERT_NE(client, -1);
    int server = -1;
    EXPECT_TRUE(PumpUntil([&] {
        if (server == -1) server = orvik::GetNewAcceptNetWork();
        return server != -1 && orvik::GetNetWorkAcceptState(client) == 1;
    }));
    ASSERT_EQ(Send(client, "by name"), 0);
    EXPECT_EQ(Receive(server), "by name");
}

TEST_F(NetworkTest, LookupsNeedTheNetworkStarted) {
    orvik::ResetNetwork();
    orvik::IPv4Address address;
    char name[64];
    EXPECT_EQ(orvik::GetHostIPbyName("localhost", &address), -1);
    EXPECT_EQ(orvik::GetMyIPAddress(&address), -1);
    EXPECT_EQ(orvik::GetMyHostName(name, sizeof name), -1);
    EXPECT_TRUE(Logged("ネットワークが開始されていません\n"));
}

class HostNameStandIn : public ::testing::Test {
protected:
    void SetUp() override {
        host::WSADATA data;
        ASSERT_EQ(host::WSAStartup(0x0202, &data), 0);
    }
    void TearDown() override { host::ResetWinsock(); }

    static std::vector<uint32_t> Addresses(const host::HOSTENT* h) {
        std::vector<uint32_t> all;
        for (char** a = h->h_addr_list; *a; ++a) {
            uint32_t v;
            std::memcpy(&v, *a, 4);
            all.push_back(v);
        }
        return all;
    }
};

TEST_F(HostNameStandIn, AnEmptyNameIsTheLocalHostsOwn) {
    const host::HOSTENT* own = host::gethostbyname(SystemHostName().c_str());
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(own->h_addrtype, host::AF_INET);
    EXPECT_EQ(own->h_length, 4);
    EXPECT_EQ(std::string(own->h_name), SystemHostName());
    const std::vector<uint32_t> ownAddresses = Addresses(own);
    ASSERT_FALSE(ownAddresses.empty());
    const host::HOSTENT* empty = host::gethostbyname("");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(Addresses(empty), ownAddresses);
}

TEST_F(HostNameStandIn, TheLoopbackAddressHasANameThatLeadsBackToIt) {
    const uint32_t loopback = host::INADDR_LOOPBACK_NET;
    const host::HOSTENT* byAddress = host::gethostbyaddr(reinterpret_cast<const char*>(&loopback), 4, host::AF_INET);
    ASSERT_NE(byAddress, nullptr);
    const std::string name = byAddress->h_name;
    EXPECT_FALSE(name.empty());
    EXPECT_EQ(Addresses(byAddress), std::vector<uint32_t>{loopback});
    const host::HOSTENT* back = host::gethostbyname(name.c_str());
    ASSERT_NE(back, nullptr);
    const std::vector<uint32_t> addresses = Addresses(back);
    EXPECT_NE(std::find(addresses.begin(), addresses.end(), loopback), addresses.end()) << name;
}

TEST_F(HostNameStandIn, BadRequestsNameTheirCause) {
    const uint32_t loopback = host::INADDR_LOOPBACK_NET;
    EXPECT_EQ(host::gethostbyaddr(reinterpret_cast<const char*>(&loopback), 3, host::AF_INET), nullptr);
    EXPECT_EQ(host::WSAGetLastError(), host::WSAEFAULT);
    EXPECT_EQ(host::gethostbyaddr(reinterpret_cast<const char*>(&loopback), 4, 23), nullptr);
    EXPECT_EQ(host::WSAGetLastError(), host::WSAEAFNOSUPPORT);
    EXPECT_EQ(host::gethostbyname("under score_ok but spaces not"), nullptr);
    EXPECT_EQ(host::WSAGetLastError(), host::WSAHOST_NOT_FOUND);
    char tiny[1];
    EXPECT_EQ(host::gethostname(tiny, sizeof tiny), host::SOCKET_ERROR);
    EXPECT_EQ(host::WSAGetLastError(), host::WSAEFAULT);
    host::ResetWinsock();
    EXPECT_EQ(host::gethostbyname("localhost"), nullptr);
    EXPECT_EQ(host::WSAGetLastError(), host::WSANOTINITIALISED);
    EXPECT_EQ(host::gethostname(tiny, sizeof tiny), host::SOCKET_ERROR);
    EXPECT_EQ(host::WSAGetLastError(), host::WSANOTINITIALISED);
}

}  // namespace
}  // namespace orvik_test
