#pragma once
// Ends a stream of ours: no callback reaches its owner any more, the server
// lets go of it and the pointer is cleared. Call with the main loop locked.
// An operation whose callback points at the owner must be cancelled first
// (cancelPulseOperation): disconnecting alone leaves its answer pending.

struct pa_operation;
struct pa_stream;

void releasePulseStream(pa_stream *&stream);
// Makes sure the operation's callback never runs again, lets go of it and
// clears the pointer. Call with the main loop locked.
void cancelPulseOperation(pa_operation *&operation);
