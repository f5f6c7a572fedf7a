#include "engine/platform/network.h"

namespace orvik {

int PumpNetworkMessages(int) { return 0; }
int EndNetwork() { return 0; }
host::LRESULT HandleSocketMessage(host::WPARAM, host::LPARAM) { return 0; }

}  // namespace orvik
