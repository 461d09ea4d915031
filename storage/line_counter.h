#pragma once
// The line counter read by the error trap: the launcher's own code records
// the source line of each significant step before it runs, on both threads,
// so that a fault reports where it happened.
#include <atomic>
#include <cstdint>

namespace storage {
extern std::atomic<int32_t> gLineCounter;
}  // namespace storage

#define MARK_LINE() (::storage::gLineCounter.store(__LINE__, std::memory_order_relaxed))
