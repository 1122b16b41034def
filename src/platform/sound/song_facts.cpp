#include "platform/sound/song_facts.h"

#include <libopenmpt/libopenmpt.h>

SongFacts describeSong(const unsigned char* bytes, std::size_t size, int order, int row) {
  SongFacts facts;
  int error = 0;
  const char* message = nullptr;
  openmpt_module* module = openmpt_module_create_from_memory2(bytes, size, openmpt_log_func_silent, nullptr,
                                                              openmpt_error_func_store, nullptr, &error, &message,
                                                              nullptr);
  if (module == nullptr) {
    facts.error = message != nullptr && *message != '\0' ? message : "not a module the sound library can play";
    openmpt_free_string(message);
    return facts;
  }
  openmpt_free_string(message);
  facts.ok = true;
  facts.orders = openmpt_module_get_num_orders(module);
  const int patterns = openmpt_module_get_num_patterns(module);
  for (int o = 0; o < facts.orders; ++o) {
    const int pattern = openmpt_module_get_order_pattern(module, o);
    facts.rows.push_back(pattern >= 0 && pattern < patterns ? openmpt_module_get_pattern_num_rows(module, pattern) : 0);
  }
  facts.seconds = openmpt_module_get_duration_seconds(module);
  // The first position after order:row: the next row of that pattern, or
  // the next order's first row.
  int nextOrder = order;
  int nextRow = row + 1;
  if (order < facts.orders && nextRow >= facts.rows[static_cast<std::size_t>(order)]) {
    ++nextOrder;
    nextRow = 0;
  }
  if (order < facts.orders && nextOrder < facts.orders && facts.rows[static_cast<std::size_t>(nextOrder)] > nextRow) {
    facts.secondsPastEnd = openmpt_module_set_position_order_row(module, nextOrder, nextRow);
  }
  openmpt_module_destroy(module);
  return facts;
}
