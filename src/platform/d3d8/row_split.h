// Work split by rows over the threads the device draws with, for pixel
// work outside the device's calls (image decoding, texel conversion) that
// would otherwise leave those threads idle. The task runs over row ranges
// covering [0, rows), each at least `minRows` rows, a few per drawing
// thread, the calling thread among them; the call returns once every range
// is done. Ranges must write disjoint memory that no queued draw reads or
// writes (scratch buffers, system-memory textures), so the results are the
// same whichever thread runs which range, and with one thread, or without
// a device, the task simply runs once over all rows on the caller's thread.
// Main thread only.
#pragma once

using RowTask = void (*)(void* context, int begin, int end);

void splitRows(int rows, int minRows, RowTask task, void* context);

// Typed convenience: `body(begin, end)` for a callable.
template <typename Body>
void splitRows(int rows, int minRows, Body& body) {
  splitRows(rows, minRows, [](void* context, int begin, int end) { (*static_cast<Body*>(context))(begin, end); },
            &body);
}
