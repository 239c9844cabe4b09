// The host's memory bound: no single image (a clip picture, the frame being
// rendered), and not the scene's geometry, may need more than the limit,
// estimated before anything is allocated. kvrender's --max-memory raises it.
#pragma once

#include <cstdint>
#include <string>

namespace kvh {

constexpr uint64_t kDefaultMemoryLimit = 4ull << 30;  // 4 GiB

// "5.00 GiB", "512 MiB", "1.5 MiB"
std::string DescribeBytes(uint64_t bytes);
// "<what> needs 5.00 GiB, more than the memory limit of 4.00 GiB (--max-memory raises it)"
std::string OverMemoryLimit(const std::string& what, uint64_t bytes, uint64_t limit);
// The same with "<what> of W x H pixels".
std::string OverMemoryLimit(const std::string& what, uint64_t width, uint64_t height, uint64_t bytes, uint64_t limit);

}  // namespace kvh
