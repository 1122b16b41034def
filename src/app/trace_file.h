#pragma once
// --trace FILE: the device's call trace, written like every other output
// (a regular file is replaced only once the trace is complete; a FIFO or a
// device is written in place) and opened before the run starts.
#include <string>

// Opens FILE and switches the trace on. False, with the reason, when FILE
// cannot be written.
bool startTraceFile(const std::string& path, std::string* error);
// Switches the trace off and completes FILE. False, with the reason, when a
// line could not be written: an earlier file of that name is then kept.
// True when no trace was started.
bool finishTraceFile(std::string* error);
