#pragma once

namespace app {

// Waits for events and dispatches them until the user quits; returns into
// the quit operation.
void RunMainLoop();

}  // namespace app
