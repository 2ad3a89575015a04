// A libFuzzer target: ZEMU_FUZZ_ENTRY names the entry point it calls.
#include <cstddef>
#include <cstdint>

#include "fuzz/entries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return ZEMU_FUZZ_ENTRY(data, size);
}
