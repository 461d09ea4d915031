#include "storage/line_counter.h"

namespace storage {
std::atomic<int32_t> gLineCounter{-1};
}  // namespace storage
