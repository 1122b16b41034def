#include "app/trace_file.h"

#include "platform/d3d8/device_trace.h"
#include "platform/os/output_stream.h"

namespace {

OutputStream traceStream;

}  // namespace

bool startTraceFile(const std::string& path, std::string* error) {
  if (!traceStream.open(path, error)) return false;
  enableDeviceTrace(traceToFile(traceStream.file()));
  return true;
}

bool finishTraceFile(std::string* error) {
  if (!traceStream.isOpen()) return true;
  disableDeviceTrace();
  return traceStream.commit(error);
}
