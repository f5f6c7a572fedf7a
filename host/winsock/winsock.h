// Sockets as the engine's network layer expects them: a socket is a number of our own,
// errors are read per thread with WSAGetLastError, and WSAAsyncSelect turns socket events
// into window messages. Stream and datagram sockets over POSIX sockets, host names over
// the system's resolver; addresses are IPv4.
#pragma once
#include <cstdint>

#include "host/win/system/types.h"

namespace host {

using SOCKET = uintptr_t;
constexpr SOCKET INVALID_SOCKET = ~SOCKET(0);
constexpr int SOCKET_ERROR = -1;

constexpr int AF_INET = 2, SOCK_STREAM = 1, SOCK_DGRAM = 2, IPPROTO_TCP = 6, IPPROTO_UDP = 17;
constexpr int MSG_PEEK = 0x2;
constexpr long FIONBIO = long(0x8004667Eu);
constexpr uint32_t INADDR_ANY = 0, INADDR_LOOPBACK_NET = 0x0100007Fu;  // 127.0.0.1 in network order
constexpr uint32_t INADDR_NONE = 0xFFFFFFFFu;

// Socket events, in the low word of the message's lParam (the error in the high word).
constexpr long FD_READ = 0x01, FD_WRITE = 0x02, FD_OOB = 0x04, FD_ACCEPT = 0x08,
               FD_CONNECT = 0x10, FD_CLOSE = 0x20;

// Error codes.
constexpr int WSAEINTR = 10004, WSAEBADF = 10009, WSAEACCES = 10013, WSAEFAULT = 10014,
              WSAEINVAL = 10022, WSAEMFILE = 10024, WSAEWOULDBLOCK = 10035,
              WSAEALREADY = 10037, WSAENOTSOCK = 10038, WSAEDESTADDRREQ = 10039, WSAEMSGSIZE = 10040,
              WSAEAFNOSUPPORT = 10047, WSAEADDRINUSE = 10048, WSAEADDRNOTAVAIL = 10049,
              WSAENETUNREACH = 10051, WSAECONNABORTED = 10053, WSAECONNRESET = 10054,
              WSAENOBUFS = 10055, WSAEISCONN = 10056, WSAENOTCONN = 10057,
              WSAESHUTDOWN = 10058, WSAETIMEDOUT = 10060, WSAECONNREFUSED = 10061,
              WSASYSNOTREADY = 10091, WSAVERNOTSUPPORTED = 10092, WSANOTINITIALISED = 10093,
              WSAHOST_NOT_FOUND = 11001, WSATRY_AGAIN = 11002, WSANO_RECOVERY = 11003, WSANO_DATA = 11004;

struct WSADATA {
    uint16_t wVersion = 0;
    uint16_t wHighVersion = 0;
    char szDescription[257] = {};
    char szSystemStatus[129] = {};
};

// Port and address in network byte order.
struct SOCKADDR_IN {
    int16_t sin_family = AF_INET;
    uint16_t sin_port = 0;
    uint32_t sin_addr = 0;
    char sin_zero[8] = {};
};

// A host's name and IPv4 addresses (each 4 bytes in network order), the list ending in null.
// The lookups fill one per thread, valid until that thread's next lookup.
struct HOSTENT {
    char* h_name = nullptr;
    char** h_aliases = nullptr;
    int16_t h_addrtype = AF_INET;
    int16_t h_length = 4;
    char** h_addr_list = nullptr;
};

// Counted: each WSAStartup needs its WSACleanup; the last one closes every socket left.
// WSASYSNOTREADY, with nothing started, when the thread that watches sockets cannot start.
int WSAStartup(uint16_t version, WSADATA* data);
int WSACleanup();
int WSAGetLastError();

SOCKET socket(int family, int type, int protocol);
int bind(SOCKET s, const SOCKADDR_IN* address, int length);
int listen(SOCKET s, int backlog);
SOCKET accept(SOCKET s, SOCKADDR_IN* address, int* length);
int connect(SOCKET s, const SOCKADDR_IN* address, int length);
int recv(SOCKET s, char* buffer, int length, int flags);
int send(SOCKET s, const char* buffer, int length, int flags);
// One datagram to the address (a connected socket may pass none). A datagram larger than
// the buffer fills it and fails with WSAEMSGSIZE: the rest is lost, or stays with MSG_PEEK.
int sendto(SOCKET s, const char* buffer, int length, int flags, const SOCKADDR_IN* to, int toLength);
int recvfrom(SOCKET s, char* buffer, int length, int flags, SOCKADDR_IN* from, int* fromLength);
int closesocket(SOCKET s);
// FIONBIO: a non-zero argument makes the socket non-blocking.
int ioctlsocket(SOCKET s, long command, uint32_t* argument);
// The port a bound socket has (tests bind to port 0 and ask which one they got).
int getsockname(SOCKET s, SOCKADDR_IN* address, int* length);

// Posts `message` to the window for each event in `events` (wParam = socket, lParam =
// event | error << 16) and makes the socket non-blocking; no events stops the messages.
// An event is posted once, then again only after the call that re-enables it: FD_READ
// after a recv, FD_ACCEPT after an accept, FD_WRITE after a send that would block.
int WSAAsyncSelect(SOCKET s, HWND window, uint32_t message, long events);

// By name (dotted IPv4 text too). The local host's own name, or an empty one, gives the
// addresses of its network interfaces that are up (127.0.0.1 when it has none) without
// asking the resolver; a text that cannot be a host name is not looked up either.
// Null on failure, the reason in WSAGetLastError (WSAHOST_NOT_FOUND, WSATRY_AGAIN...).
HOSTENT* gethostbyname(const char* name);
// The name of a 4-byte IPv4 address in network order (type AF_INET), null when it has none.
HOSTENT* gethostbyaddr(const char* address, int length, int type);
// The local host's name; WSAEFAULT when it does not fit with its terminating zero.
int gethostname(char* name, int length);

uint16_t htons(uint16_t value);
uint16_t ntohs(uint16_t value);
// Dotted IPv4 text to an address in network order; INADDR_NONE when it is not one.
uint32_t inet_addr(const char* text);

// Closes every socket and stops the event thread, whatever the start-up count (tests).
void ResetWinsock();
// The sockets open now (tests check that nothing is left).
int CountOpenSockets();

}  // namespace host
