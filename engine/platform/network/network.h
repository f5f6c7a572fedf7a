// The network layer: stream sockets registered to post their events as message 0x505 to
// a network window of their own, with framed messages (a 32-bit length, then that many
// bytes) moved between the sockets and a pair of ring buffers per handle.
#pragma once
#include <cstdint>

#include "host/win/system/types.h"

namespace orvik {

constexpr uint32_t kSocketMessage = 0x505;

// The window procedure's handler of message 0x505: wParam is the socket, lParam the event
// and its error. 1 (or, for FD_ACCEPT, AcceptNetWork's result); 0 for an unknown socket.
host::LRESULT HandleSocketMessage(host::WPARAM wParam, host::LPARAM lParam);
// Moves what the socket has towards the handle's receive buffer / its queued bytes out.
int RecvSocket(int32_t handle);
int SendSocket(int32_t handle);
// Takes a connection waiting on the listening socket as a new handle; -1 when refused.
int32_t AcceptNetWork();
// With 1, closes the connected handles in error or given up by the program first (and
// frees those given up that the peer closed since); then dispatches the network
// window's messages. Nothing before the network is started.
int PumpNetworkMessages(int closePending);
// Closes every handle, the network window and the socket library; logs both ends.
int EndNetwork();
// printf-style text logged with the socket library's last error. -1.
int LogSocketError(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Every network state back to a program's start, ending the network first (tests).
void ResetNetwork();

}  // namespace orvik
