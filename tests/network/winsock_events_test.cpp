// The socket stand-in's event messages and their re-enabling rules for stream and datagram
// sockets, datagrams cut to the buffer, and its errors.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../support/host_reset.h"
#include "host/win/window/message_queue.h"
#include "host/win/window/window.h"
#include "host/winsock/winsock.h"

namespace orvik_test {
namespace {

using namespace host;

constexpr uint32_t kEvent = 0x505, kMarker = 0x506;

LRESULT Ignore(HWND w, uint32_t m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }

TEST(WinsockExit, AProgramThatExitsWithoutCleanupEndsWithItsOwnCode) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            WSADATA data;
            if (WSAStartup(0x0202, &data) == 0) std::exit(3);
        },
        ::testing::ExitedWithCode(3), "");
}

class WinsockEvents : public ::testing::Test {
protected:
    void SetUp() override {
        ResetHost();
        WNDCLASSEXA wc;
        wc.lpfnWndProc = Ignore;
        wc.lpszClassName = "SocketEventsTest";
        RegisterClassExA(&wc);
        window_ = CreateWindowExA(0, "SocketEventsTest", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        ASSERT_NE(window_, nullptr);
        WSADATA data;
        ASSERT_EQ(WSAStartup(0x0202, &data), 0);
    }
    void TearDown() override {
        ResetWinsock();
        ResetThreadQueue();
    }

    SOCKET Listener() {
        SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
        SOCKADDR_IN any;
        EXPECT_EQ(bind(s, &any, sizeof any), 0);
        EXPECT_EQ(listen(s, 8), 0);
        int length = sizeof any;
        EXPECT_EQ(getsockname(s, &any, &length), 0);
        port_ = ntohs(any.sin_port);
        return s;
    }
    SOCKET Connected() {
        SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
        SOCKADDR_IN to;
        to.sin_addr = inet_addr("127.0.0.1");
        to.sin_port = htons(uint16_t(port_));
        EXPECT_EQ(connect(s, &to, sizeof to), 0);
        return s;
    }

    // The next socket message of the window (events of every socket, in order), or a
    // message 0 after the bound.
    MSG Next() {
        MSG m;
        for (int tries = 0; tries < 500; ++tries) {
            if (PeekMessageA(&m, window_, 0, 0, PM_REMOVE)) return m;
            WaitForQueuedMessage(20);
        }
        return MSG{};
    }
    long NextEventOf(SOCKET s) {
        const MSG m = Next();
        EXPECT_EQ(m.wParam, s);
        return m.message == kEvent && m.wParam == s ? long(m.lParam) : -1;
    }
    // Every event due has been posted once the watcher has been round again: a marker
    // socket armed now reports on that round, and the messages before it are all there are.
    std::vector<MSG> EverythingPosted(SOCKET marker) {
        EXPECT_EQ(WSAAsyncSelect(marker, window_, kMarker, FD_WRITE), 0);
        std::vector<MSG> before;
        for (MSG m = Next(); m.message != kMarker && m.message != 0; m = Next()) before.push_back(m);
        return before;
    }

    HWND window_ = nullptr;
    int port_ = 0;
};

TEST_F(WinsockEvents, ReadIsAnnouncedOnceUntilARecvReEnablesIt) {
    SOCKET listener = Listener();
    SOCKET a = Connected();
    SOCKET b = accept(listener, nullptr, nullptr);
    ASSERT_NE(b, INVALID_SOCKET);
    SOCKET marker = Connected();
    ASSERT_EQ(WSAAsyncSelect(b, window_, kEvent, FD_READ | FD_CLOSE), 0);
    ASSERT_EQ(send(a, "abcdef", 6, 0), 6);
    EXPECT_EQ(NextEventOf(b), FD_READ);
    ASSERT_EQ(send(a, "gh", 2, 0), 2);
    EXPECT_TRUE(EverythingPosted(marker).empty());  // not again before a recv

    char buffer[8];
    EXPECT_EQ(recv(b, buffer, 2, MSG_PEEK), 2);  // a peek counts as a recv
    EXPECT_EQ(NextEventOf(b), FD_READ);
    EXPECT_EQ(recv(b, buffer, 8, 0), 8);
    EXPECT_EQ(std::string(buffer, 8), "abcdefgh");
    EXPECT_EQ(recv(b, buffer, 8, 0), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);

    // The close comes after the data, with no error for an orderly one.
    ASSERT_EQ(send(a, "z", 1, 0), 1);
    ASSERT_EQ(closesocket(a), 0);
    EXPECT_EQ(NextEventOf(b), FD_READ);
    EXPECT_EQ(recv(b, buffer, 8, 0), 1);
    EXPECT_EQ(NextEventOf(b), FD_CLOSE);
}

TEST_F(WinsockEvents, AcceptIsAnnouncedAgainOnlyAfterAnAccept) {
    SOCKET listener = Listener();
    ASSERT_EQ(WSAAsyncSelect(listener, window_, kEvent, FD_ACCEPT), 0);
    Connected();
    Connected();
    EXPECT_EQ(NextEventOf(listener), FD_ACCEPT);
    SOCKET marker = Connected();  // a third waits too: still one announcement
    EXPECT_TRUE(EverythingPosted(marker).empty());
    EXPECT_NE(accept(listener, nullptr, nullptr), INVALID_SOCKET);
    EXPECT_EQ(NextEventOf(listener), FD_ACCEPT);
}

TEST_F(WinsockEvents, WriteIsAnnouncedAgainOnceABlockedSendCanGoOn) {
    SOCKET listener = Listener();
    SOCKET a = Connected();
    SOCKET b = accept(listener, nullptr, nullptr);
    SOCKET marker = Connected();
    ASSERT_EQ(WSAAsyncSelect(a, window_, kEvent, FD_WRITE), 0);
    EXPECT_EQ(NextEventOf(a), FD_WRITE);
    ASSERT_EQ(send(a, "x", 1, 0), 1);
    EXPECT_TRUE(EverythingPosted(marker).empty());  // a send that went through: no new FD_WRITE

    std::string block(256 * 1024, 'q');
    while (send(a, block.data(), int(block.size()), 0) != SOCKET_ERROR) {
    }
    EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
    std::vector<char> sink(block.size());
    uint32_t on = 1;
    ASSERT_EQ(ioctlsocket(b, FIONBIO, &on), 0);
    while (recv(b, sink.data(), int(sink.size()), 0) > 0) {
    }
    EXPECT_EQ(NextEventOf(a), FD_WRITE);
}

TEST_F(WinsockEvents, ConnectReportsItsOutcome) {
    SOCKET listener = Listener();
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_EQ(WSAAsyncSelect(s, window_, kEvent, FD_CONNECT), 0);
    SOCKADDR_IN to;
    to.sin_addr = inet_addr("127.0.0.1");
    to.sin_port = htons(uint16_t(port_));
    EXPECT_EQ(connect(s, &to, sizeof to), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
    EXPECT_EQ(NextEventOf(s), FD_CONNECT);

    ASSERT_EQ(closesocket(listener), 0);
    SOCKET refused = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_EQ(WSAAsyncSelect(refused, window_, kEvent, FD_CONNECT), 0);
    EXPECT_EQ(connect(refused, &to, sizeof to), SOCKET_ERROR);
    EXPECT_EQ(NextEventOf(refused), MAKELPARAM(FD_CONNECT, WSAECONNREFUSED));
}

// A datagram socket bound to a free loopback port; its port in *port.
SOCKET BoundDatagramSocket(int* port) {
    SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    SOCKADDR_IN address;
    address.sin_addr = INADDR_LOOPBACK_NET;
    EXPECT_EQ(bind(s, &address, sizeof address), 0);
    int length = sizeof address;
    EXPECT_EQ(getsockname(s, &address, &length), 0);
    *port = ntohs(address.sin_port);
    return s;
}

SOCKADDR_IN LoopbackPort(int port) {
    SOCKADDR_IN to;
    to.sin_addr = INADDR_LOOPBACK_NET;
    to.sin_port = htons(uint16_t(port));
    return to;
}

TEST_F(WinsockEvents, DatagramsAreAnnouncedAsReadEvenWhenEmpty) {
    int portA = 0, portB = 0;
    SOCKET a = BoundDatagramSocket(&portA), b = BoundDatagramSocket(&portB);
    SOCKET marker = BoundDatagramSocket(&port_);
    ASSERT_EQ(WSAAsyncSelect(b, window_, kEvent, FD_READ | FD_CLOSE), 0);
    const SOCKADDR_IN toB = LoopbackPort(portB);
    ASSERT_EQ(sendto(a, "", 0, 0, &toB, sizeof toB), 0);
    EXPECT_EQ(NextEventOf(b), FD_READ);  // data, not a close
    ASSERT_EQ(sendto(a, "x", 1, 0, &toB, sizeof toB), 1);
    EXPECT_TRUE(EverythingPosted(marker).empty());  // not again before a recvfrom

    char buffer[4];
    SOCKADDR_IN from;
    int fromLength = sizeof from;
    EXPECT_EQ(recvfrom(b, buffer, sizeof buffer, 0, &from, &fromLength), 0);
    EXPECT_EQ(from.sin_addr, INADDR_LOOPBACK_NET);
    EXPECT_EQ(ntohs(from.sin_port), portA);
    EXPECT_EQ(NextEventOf(b), FD_READ);  // the second one
    EXPECT_EQ(recv(b, buffer, sizeof buffer, 0), 1);
    EXPECT_EQ(recv(b, buffer, sizeof buffer, 0), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
}

TEST_F(WinsockEvents, ADatagramLongerThanTheBufferIsCutOrKeptByPeek) {
    int portA = 0, portB = 0;
    SOCKET a = BoundDatagramSocket(&portA), b = BoundDatagramSocket(&portB);
    ASSERT_EQ(WSAAsyncSelect(b, window_, kEvent, FD_READ), 0);
    const SOCKADDR_IN toB = LoopbackPort(portB);
    ASSERT_EQ(sendto(a, "0123456789", 10, 0, &toB, sizeof toB), 10);
    ASSERT_EQ(NextEventOf(b), FD_READ);
    char buffer[16] = {};
    EXPECT_EQ(recvfrom(b, buffer, 4, MSG_PEEK, nullptr, nullptr), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEMSGSIZE);
    EXPECT_EQ(std::string(buffer, 4), "0123");
    // Without a peek the start is taken and the rest is lost.
    ASSERT_EQ(NextEventOf(b), FD_READ);
    EXPECT_EQ(recv(b, buffer, 6, 0), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEMSGSIZE);
    EXPECT_EQ(std::string(buffer, 6), "012345");
    ASSERT_EQ(sendto(a, "next", 4, 0, &toB, sizeof toB), 4);
    ASSERT_EQ(NextEventOf(b), FD_READ);
    EXPECT_EQ(recv(b, buffer, 16, 0), 4);
    EXPECT_EQ(std::string(buffer, 4), "next");
    // Room for the sender's address is checked before anything is taken.
    int tooShort = 4;
    SOCKADDR_IN from;
    EXPECT_EQ(recvfrom(b, buffer, 16, 0, &from, &tooShort), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEFAULT);
}

TEST_F(WinsockEvents, ADatagramPortIsNotShared) {
    int port = 0;
    BoundDatagramSocket(&port);
    SOCKET second = socket(AF_INET, SOCK_DGRAM, 0);
    const SOCKADDR_IN same = LoopbackPort(port);
    EXPECT_EQ(bind(second, &same, sizeof same), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEADDRINUSE);
    EXPECT_EQ(socket(AF_INET, SOCK_DGRAM, IPPROTO_TCP), INVALID_SOCKET);
    EXPECT_EQ(WSAGetLastError(), WSAEAFNOSUPPORT);
    // Without an address an unconnected datagram socket has nowhere to send.
    EXPECT_EQ(send(second, "x", 1, 0), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEDESTADDRREQ);
}

TEST_F(WinsockEvents, ADatagramSocketConnectsAtOnceWithoutAnEvent) {
    int portA = 0, portB = 0;
    SOCKET a = BoundDatagramSocket(&portA), b = BoundDatagramSocket(&portB);
    SOCKET marker = BoundDatagramSocket(&port_);
    ASSERT_EQ(WSAAsyncSelect(a, window_, kEvent, FD_CONNECT), 0);
    ASSERT_EQ(WSAAsyncSelect(b, window_, kEvent, FD_READ), 0);
    const SOCKADDR_IN toB = LoopbackPort(portB);
    EXPECT_EQ(connect(a, &toB, sizeof toB), 0);
    EXPECT_TRUE(EverythingPosted(marker).empty());  // no FD_CONNECT
    EXPECT_EQ(send(a, "peer", 4, 0), 4);
    EXPECT_EQ(NextEventOf(b), FD_READ);
    char buffer[8];
    EXPECT_EQ(recv(b, buffer, sizeof buffer, 0), 4);
}

TEST_F(WinsockEvents, ErrorsNameTheirCause) {
    EXPECT_EQ(closesocket(12345), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
    EXPECT_EQ(inet_addr("300.1.1.1"), INADDR_NONE);
    EXPECT_EQ(socket(AF_INET + 1, SOCK_STREAM, 0), INVALID_SOCKET);
    EXPECT_EQ(WSAGetLastError(), WSAEAFNOSUPPORT);
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    EXPECT_EQ(accept(s, nullptr, nullptr), INVALID_SOCKET);  // not listening
    EXPECT_EQ(WSAGetLastError(), WSAEINVAL);
    uint32_t on = 1;
    EXPECT_EQ(ioctlsocket(s, FIONBIO, &on), 0);
    ASSERT_EQ(WSACleanup(), 0);
    EXPECT_EQ(CountOpenSockets(), 0);
    EXPECT_EQ(socket(AF_INET, SOCK_STREAM, 0), INVALID_SOCKET);
    EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);
    EXPECT_EQ(WSACleanup(), SOCKET_ERROR);
}

}  // namespace
}  // namespace orvik_test
