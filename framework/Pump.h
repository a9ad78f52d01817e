#pragma once

// The message pump: dispatches every event waiting in the calling thread's
// queue, then returns. Commands that wait (the network) call it so the user
// interface stays live meanwhile.
void ProcessMessages();

// Blocks until at least one event arrives for the calling thread, dispatches
// what is waiting, and returns. Used by waits that have nothing to do.
void WaitMessage();
