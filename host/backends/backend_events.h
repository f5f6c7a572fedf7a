// Lets the message functions pull the backend's events on the thread that runs the window.
#pragma once

namespace host {

// Runs the active backend's poll_events when called on the thread that started it.
void PollBackendEvents();

}  // namespace host
