// Network handles: stream connections over TCP carrying framed messages. Everything runs
// on the thread that started the network, driven by the message pump.
#pragma once
#include <cstdint>

namespace orvik {

// Starts the socket library and the window that receives socket events. 0 or -1.
int InitNetwork();

// Starts connecting to a dotted IPv4 address; the handle, or -1. The connection is made
// while messages are pumped: GetNetWorkAcceptState says when.
int ConnectNetWork(const char* address, int port);
// Listens on the port (0: any free port) on every address. 0 or -1; one at a time.
int PreparationListenNetWork(int port);
int StopListenNetWork();
// The oldest accepted connection not yet handed out, or -1 when there is none.
int GetNewAcceptNetWork();

// The largest message a handle sends or receives (8 MB unless set). A peer announcing a
// longer one is refused: logged, its connection closed and the handle left in error.
// 0, or -1 for a size below 1.
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

// Gives a connected handle up to a second each to finish a half-received message and to
// send what is queued, then closes it. 0 or -1 (bad or unconnected handle).
int CloseNetworkHandle(int handle);
// Gives a connected handle up without waiting: the next PumpMessages closes it as
// CloseNetworkHandle does, and the handle is invalid from then on. 0 or -1.
int RequestNetworkHandleClose(int handle);
// Closes the socket at once and frees the handle. 0 or -1.
int DeleteNetworkHandle(int handle);

}  // namespace orvik
