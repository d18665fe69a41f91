// Reading this thread's message queue while a long step waits, so that its
// windows stay alive. Windows only.
#pragma once

namespace tarn {

// Dispatches every message waiting for this thread. A WM_QUIT is posted again
// and ends the pumping: the thread's own loop must still see it.
void pump_pending_messages();

} // namespace tarn
