// The network with the whole engine: untouched when never started, ended by EndLibrary.
#include <gtest/gtest.h>

#include <orvik/network.h>
#include <orvik/platform.h>

#include "../support/bounded_wait.h"
#include "../support/headless_engine.h"
#include "engine/platform/network/network_state.h"
#include "engine/platform/network/network.h"
#include "host/winsock/winsock.h"

namespace orvik_test {
namespace {

TEST(NetworkNeverStarted, PumpAndEndReturnAtOnceThroughTheEngine) {
    HeadlessEngine engine;
    ASSERT_EQ(orvik::InitLibrary(), 0);
    EXPECT_EQ(orvik::PumpNetworkMessages(1), 0);
    EXPECT_EQ(orvik::EndNetwork(), 0);
    EXPECT_EQ(orvik::ConnectNetWork("127.0.0.1", 80), -1);
    EXPECT_EQ(orvik::PumpMessages(), 0);
    EXPECT_EQ(orvik::EndLibrary(), 0);
    const std::string log = engine.Log().Read();
    EXPECT_NE(log.find("ネットワークが開始されていません\r\n"), std::string::npos);
    EXPECT_EQ(log.find("ネットワーク関連の終了処理"), std::string::npos);
}

TEST(NetworkWithTheEngine, EndLibraryEndsANetworkStartedAfterStartUp) {
    HeadlessEngine engine;
    ASSERT_EQ(orvik::InitLibrary(), 0);
    ASSERT_EQ(orvik::InitNetwork(), 0);
    ASSERT_EQ(orvik::PreparationListenNetWork(0), 0);
    EXPECT_EQ(host::CountOpenSockets(), 1);
    EXPECT_EQ(orvik::EndLibrary(), 0);
    EXPECT_EQ(host::CountOpenSockets(), 0);
    const std::string log = engine.Log().Read();
    EXPECT_NE(log.find("ネットワーク関連の終了処理は完了しました\r\n"), std::string::npos);
    orvik::ResetNetwork();
}

TEST(NetworkWithTheEngine, EachFramesPumpClosesTheHandlesGivenUp) {
    HeadlessEngine engine;
    ASSERT_EQ(orvik::InitLibrary(), 0);
    ASSERT_EQ(orvik::InitNetwork(), 0);
    ASSERT_EQ(orvik::PreparationListenNetWork(0), 0);
    const int listener = orvik::Network().listenHandle;
    host::SOCKADDR_IN address;
    int length = sizeof address;
    ASSERT_EQ(host::getsockname(orvik::Network().table.Find(listener)->socket, &address, &length), 0);
    const int client = orvik::ConnectNetWork("127.0.0.1", host::ntohs(address.sin_port));
    ASSERT_NE(client, -1);
    ASSERT_TRUE(WaitUntil([&] {
        orvik::PumpMessages();
        return orvik::GetNetWorkAcceptState(client) == 1;
    }));
    ASSERT_EQ(orvik::RequestNetworkHandleClose(client), 0);
    EXPECT_EQ(orvik::PumpMessages(), 0);
    EXPECT_EQ(orvik::GetNetWorkAcceptState(client), -1);
    EXPECT_EQ(orvik::EndLibrary(), 0);
    orvik::ResetNetwork();
}

}  // namespace
}  // namespace orvik_test
