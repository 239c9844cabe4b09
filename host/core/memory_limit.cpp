#include "core/memory_limit.h"

#include <cstdio>

namespace kvh {

std::string DescribeBytes(uint64_t bytes) {
    char text[32];
    if (bytes >= (1ull << 30)) std::snprintf(text, sizeof text, "%.2f GiB", double(bytes) / double(1ull << 30));
    else std::snprintf(text, sizeof text, bytes < (10ull << 20) ? "%.1f MiB" : "%.0f MiB", double(bytes) / double(1ull << 20));
    return text;
}

std::string OverMemoryLimit(const std::string& what, uint64_t bytes, uint64_t limit) {
    return what + " needs " + DescribeBytes(bytes) + ", more than the memory limit of " + DescribeBytes(limit) +
           " (--max-memory raises it)";
}

std::string OverMemoryLimit(const std::string& what, uint64_t width, uint64_t height, uint64_t bytes,
                            uint64_t limit) {
    return OverMemoryLimit(what + " of " + std::to_string(width) + " x " + std::to_string(height) + " pixels", bytes,
                           limit);
}

}  // namespace kvh
