// The network layer's records and global state, shared by its files.
#pragma once
#include <cstdint>
#include <deque>
#include <unordered_map>
#include <vector>

#include "engine/platform/base/handle_table.h"
#include "engine/platform/base/list.h"
#include "engine/platform/base/ring_buffer.h"
#include "host/winsock/winsock.h"

namespace orvik {

constexpr int32_t kNetworkHandleType = 0x30000000;
constexpr int32_t kNetworkCapacity = 8192;
constexpr const char* kNetworkWindowClass = "OrvikNetworkWindow";
// The largest message a handle takes or queues unless the program sets another limit.
constexpr int32_t kDefaultMaxNetWorkMessageSize = 8 << 20;

// What one connection takes off its socket in one pump at most: messages begun, and
// bytes of their bodies. The rest waits in the socket (and so holds the peer back) for the
// next pump, so a peer that never stops sending cannot hold the program inside a pump.
constexpr int32_t kReceiveShareMessages = 1024;
constexpr int32_t kReceiveShareBytes = 1 << 20;
// What one pump takes off all connections together at most: socket reads (each message
// costs two or more, an empty look one), and bytes of message bodies. Connections whose
// socket holds something take turns of one message (or one step of a long one's body)
// round and round while the allowance lasts, and the next pump goes on where this one
// stopped: however many peers flood, a pump stays short, and one round over all of them
// costs about two reads each, so every connection is heard within a few pumps.
constexpr int32_t kPumpReceiveReads = 4096;
constexpr int32_t kPumpReceiveBytes = 4 << 20;

// Record kinds: a stream connection, or a datagram socket whose events only note that it
// may be read or written.
constexpr int32_t kStreamKind = 0;
constexpr int32_t kDatagramKind = 1;

struct NetworkRecord {
    int32_t handle = -1;
    int32_t kind = kStreamKind;
    int32_t connected = 0;
    int32_t error = 0;  // a receive buffer could not grow, or the peer sent a bad length
    int32_t closedByPeer = 0;
    // The program gave the handle up without waiting: the pump's close pass closes it.
    int32_t closePending = 0;
    int32_t framed = 1;
    host::SOCKET socket = host::INVALID_SOCKET;
    // Receiving: the length of the message coming in (0: the next 4 bytes are a length)
    // and how much of it has arrived. The ring holds each message as its length and bytes.
    int32_t recvLength = 0;
    int32_t recvTaken = 0;
    // The next length's bytes taken off the socket so far (they may come apart).
    unsigned char lengthIn[4] = {};
    int32_t lengthTaken = 0;
    RingBuffer recvRing;
    // The socket may hold what the record has not taken. While the record has share left
    // in this pump it is also linked in the queue of turns; one whose share ran out waits
    // unlinked for the next pump.
    int32_t recvWanted = 0;
    ListNode turnNode;
    // What the record may still take off its socket in this pump.
    int32_t shareMessages = kReceiveShareMessages;
    int32_t shareBytes = kReceiveShareBytes;
    // Sending: queued messages as length and bytes; of the one going out, the body bytes
    // still to send and the length-prefix bytes still to send.
    RingBuffer sendRing;
    int32_t sendLength = 0;
    int32_t prefixLeft = 0;
    unsigned char prefix[4] = {};
    // Datagram kind: an FD_READ came since a look at the socket found nothing waiting;
    // an FD_WRITE came.
    int32_t readable = 0;
    int32_t writable = 0;
    ListNode node;
};

// The socket library's functions as start-up took them from ws2_32.
struct Ws2Calls {
    decltype(&host::WSAGetLastError) WSAGetLastError = nullptr;
    decltype(&host::WSAStartup) WSAStartup = nullptr;
    decltype(&host::WSACleanup) WSACleanup = nullptr;
    decltype(&host::WSAAsyncSelect) WSAAsyncSelect = nullptr;
    decltype(&host::htons) htons = nullptr;
    decltype(&host::inet_addr) inet_addr = nullptr;
    decltype(&host::socket) socket = nullptr;
    decltype(&host::bind) bind = nullptr;
    decltype(&host::listen) listen = nullptr;
    decltype(&host::accept) accept = nullptr;
    decltype(&host::connect) connect = nullptr;
    decltype(&host::recv) recv = nullptr;
    decltype(&host::send) send = nullptr;
    decltype(&host::closesocket) closesocket = nullptr;
    decltype(&host::ntohs) ntohs = nullptr;
    decltype(&host::sendto) sendto = nullptr;
    decltype(&host::recvfrom) recvfrom = nullptr;
    decltype(&host::gethostbyname) gethostbyname = nullptr;
    decltype(&host::gethostname) gethostname = nullptr;
};

struct NetworkState {
    int32_t initialised = 0;
    host::HWND window = nullptr;
    int32_t windowGone = 0;
    HandleTable<NetworkRecord> table{kNetworkHandleType, kNetworkCapacity};
    ListNode head, tail;
    int32_t receiving = 0;
    int32_t sending = 0;
    // What this pump may still read from all connections together, and the connections
    // whose turn to read is due, next first. Only those are visited, however many are idle.
    int32_t pumpReads = kPumpReceiveReads;
    int32_t pumpBytes = kPumpReceiveBytes;
    ListNode turnHead, turnTail;
    Ws2Calls ws2;
    int32_t listenHandle = -1;
    // The record of each open socket by its handle, so that an event finds its record at
    // once however many connections there are.
    std::unordered_map<host::SOCKET, int32_t> bySocket;
    // Connections accepted and not yet handed out, oldest first.
    std::deque<int32_t> accepted;
    // A peer's length prefix beyond this is refused before anything is reserved for it.
    int32_t maxMessageSize = kDefaultMaxNetWorkMessageSize;
    // Where a datagram is peeked at to learn its length (made at the first look).
    std::vector<char> datagramPeek;
};

NetworkState& Network();

// Typed ws2_32 functions; false when one the layer needs was not there at start-up.
bool TakeWs2Calls(Ws2Calls& calls);

// Logs that the network has not been started. -1.
int NetworkNotStarted();
// A new socket of the kind (stream or datagram) registered for `events` in a new record,
// linked in; the handle, or -1 with a log line.
int32_t MakeSocketRecord(int32_t kind, long events, NetworkRecord** out);
// Logs the socket error and releases the record. -1.
int FailSocketRecord(NetworkRecord* record, const char* what);
bool ValidPort(int port);
// An address in network order and a port, as the socket calls take them.
host::SOCKADDR_IN SocketAddress(uint32_t address, int port);
// Dotted IPv4 text or a host name as an address in network order; INADDR_NONE for none.
uint32_t LookUpIPv4(const char* text);

// Links a record made in the table into the list of all records.
void LinkNetworkRecord(NetworkRecord& record, int32_t handle, host::SOCKET socket);
// Stops the socket's messages and closes it; the record stays, without a socket.
void CloseRecordSocket(NetworkRecord& record);
// Closes the socket, frees both buffers and the record.
void ReleaseNetworkRecord(NetworkRecord& record);
// The record of an open socket; null when none.
NetworkRecord* FindNetworkRecordBySocket(host::SOCKET socket);
// Calls f on every record, the next one taken before f runs (f may release the record).
template <typename F>
void ForEachNetworkRecord(F f) {
    for (ListNode* n = Network().head.next; n && n != &Network().tail;) {
        ListNode* next = n->next;
        f(*static_cast<NetworkRecord*>(n->data));
        n = next;
    }
}

// Dispatches every queued message of the network window, after starting a new receive
// round unless it runs inside a receive. -1 once the window has gone.
int PumpNetworkWindow();
// A new pump: a new allowance, every connection gets a new share, and the turns go on
// where the last pump stopped, those whose share ran out joining at the end.
void StartReceiveRound();
// Bytes queued to send, counting a message partly sent.
bool HasQueuedSend(const NetworkRecord& record);

void StoreLength(unsigned char* bytes, int32_t length);
int32_t LoadLength(const unsigned char* bytes);

}  // namespace orvik
