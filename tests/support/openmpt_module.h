// A tracker module loaded by libopenmpt from memory, with everything the
// library logged while loading it (a clean module logs nothing).
#pragma once

#include <libopenmpt/libopenmpt.h>

#include <cstdint>
#include <string>
#include <vector>

struct LoadedModule {
  openmpt_module* module = nullptr;
  std::vector<std::string> log;

  explicit LoadedModule(const std::vector<std::uint8_t>& bytes) {
    module = openmpt_module_create_from_memory2(
        bytes.data(), bytes.size(),
        [](const char* message, void* user) { static_cast<std::vector<std::string>*>(user)->push_back(message); },
        &log, nullptr, nullptr, nullptr, nullptr, nullptr);
  }
  ~LoadedModule() {
    if (module) openmpt_module_destroy(module);
  }
  LoadedModule(const LoadedModule&) = delete;
  LoadedModule& operator=(const LoadedModule&) = delete;

  int rows(int order) const {
    return openmpt_module_get_pattern_num_rows(module, openmpt_module_get_order_pattern(module, order));
  }
  int command(int pattern, int row, int channel, int which) const {
    return openmpt_module_get_pattern_row_channel_command(module, pattern, row, channel, which);
  }
};
