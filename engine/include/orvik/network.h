// Network handles: stream connections over TCP carrying framed messages, datagram sockets
// over UDP, and host names. Everything runs on the thread that started the network, driven
// by the message pump.
#pragma once
#include <cstdint>

namespace orvik {

// An IPv4 address as its four numbers in the order they are written: 127.0.0.1 is
// {127, 0, 0, 1}.
struct IPv4Address {
    unsigned char bytes[4] = {};
};

// Starts the socket library and the window that receives socket events. 0 or -1.
int InitNetwork();

// Starts connecting to a dotted IPv4 address or a host name; the handle, or -1. The
// connection is made while messages are pumped: GetNetWorkAcceptState says when.
int ConnectNetWork(const char* address, int port);
// Listens on the port (0: any free port) on every address. 0 or -1; one at a time.
int PreparationListenNetWork(int port);
int StopListenNetWork();
// The oldest accepted connection not yet handed out, or -1 when there is none.
int GetNewAcceptNetWork();

// The largest message a handle sends or receives (8 MB unless set). A peer announcing a
// longer one (or a length below 1) is refused: logged, its connection closed and the
// handle left in error, the messages that came before it still there to take until
// DeleteNetworkHandle frees it. 0, or -1 for a size below 1.
int SetMaxNetWorkMessageSize(int bytes);

// Queues a message of 1 byte or more; it goes out as the pump and the socket allow. 0 or -1.
int NetWorkSend(int handle, const void* data, int length);
// The length of the oldest complete message received, 0 when none has arrived, -1 for a bad handle.
int GetNetWorkDataLength(int handle);
// Takes the oldest complete message into the buffer; its length, 0 when none has arrived,
// or -1 (bad handle, or a buffer too small: the message then stays).
int NetWorkRecv(int handle, void* buffer, int bufferSize);
// Bytes queued and not yet sent (length prefixes included), -1 for a bad handle.
int GetNetWorkSendDataLength(int handle);
// 1 connected, 0 not (yet or any more), -1 for a bad handle or a connection that failed.
int GetNetWorkAcceptState(int handle);

// The largest datagram, all that one IPv4 packet carries.
constexpr int kMaxUDPDataSize = 65507;
// A datagram socket on the port (0: any free port) on every address; the handle, or -1.
// Datagrams wait in the socket's own receive buffer (64 KB): what arrives while it is full
// is lost, as datagrams may be. One is seen once the message pump has passed on the
// socket's word that something came. DeleteNetworkHandle closes it.
int MakeUDPSocket(int port);
// Sends one datagram of 0 to kMaxUDPDataSize bytes at once. 0, or -1 (bad handle, address,
// port or size, or a socket that cannot take it now: the datagram is then not sent).
int NetWorkSendUDP(int handle, IPv4Address address, int port, const void* data, int length);
// 1 when a datagram is waiting, 0 when none is, -1 for a bad handle.
int CheckNetWorkRecvUDP(int handle);
// The length of the oldest datagram waiting (0 for an empty one, or when none is waiting),
// -1 for a bad handle.
int GetNetWorkUDPDataLength(int handle);
// Takes the oldest datagram waiting into the buffer, with the sender's address and port
// (either may be null); its length, or -1 (bad handle, none waiting, or a buffer too small:
// the datagram then stays).
int NetWorkRecvUDP(int handle, IPv4Address* from, int* fromPort, void* buffer, int bufferSize);

// The first IPv4 address of a host name (or of dotted IPv4 text), waiting for the system's
// resolver as long as it takes. 0 or -1.
int GetHostIPbyName(const char* name, IPv4Address* address);
// The local host's name and its terminating zero. 0 or -1 (the buffer is too small).
int GetMyHostName(char* buffer, int bufferSize);
// The local host's first address on its network, 127.0.0.1 when it has none. 0 or -1.
int GetMyIPAddress(IPv4Address* address);

// Gives a connected handle up to a second each to finish a half-received message and to
// send what is queued, then closes it. 0 or -1 (bad or unconnected handle).
int CloseNetworkHandle(int handle);
// Gives a connected handle up without waiting: the next PumpMessages closes it as
// CloseNetworkHandle does, and the handle is invalid from then on. 0 or -1.
int RequestNetworkHandleClose(int handle);
// Closes the socket at once and frees the handle (of any kind). 0 or -1.
int DeleteNetworkHandle(int handle);

}  // namespace orvik
