#pragma once
// Ends a stream of ours: no callback reaches its owner any more, the server
// lets go of it and the pointer is cleared. Call with the main loop locked.

struct pa_stream;

void releasePulseStream(pa_stream *&stream);
