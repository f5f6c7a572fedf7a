// The network layer's entry points that the pump, the window procedure and shutdown call.
// The program starts no network session, so the layer is never initialised and each call
// returns at once.
#pragma once
#include "host/win/types.h"

namespace orvik {

int PumpNetworkMessages(int closePending);
int EndNetwork();
host::LRESULT HandleSocketMessage(host::WPARAM wParam, host::LPARAM lParam);

}  // namespace orvik
