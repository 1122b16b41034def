#include "assets/file_size_rules.h"

#include "assets/mesh_file.h"
#include "codec/container_check.h"

SizeRule meshFileSizeRule() {
  return [](const unsigned char* head, std::size_t headBytes) {
    SizeLimit limit;
    limit.bytes = meshFileSizeLimit(head, headBytes, &limit.what);
    return limit;
  };
}

SizeRule containerFileSizeRule() {
  return [](const unsigned char* head, std::size_t headBytes) {
    SizeLimit limit;
    limit.bytes = containerSizeLimit(head, headBytes, &limit.what);
    return limit;
  };
}
