#include "platform/os/output_file.h"

#include "platform/os/output_stream.h"

bool writeOutputFile(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string* error) {
  OutputStream output;
  if (!output.open(path, error)) return false;
  output.write(bytes.data(), bytes.size());
  return output.commit(error);
}
