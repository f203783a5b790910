#include "memory_limit.h"

#include <sys/resource.h>
#include <unistd.h>

namespace flumpet::app {

namespace {
#if defined(__SANITIZE_ADDRESS__)
constexpr bool AddressChecking = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool AddressChecking = true;
#else
constexpr bool AddressChecking = false;
#endif
#else
constexpr bool AddressChecking = false;
#endif
} // namespace

uint64_t defaultMemoryLimit() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) return 0;
    return static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize) / 4 * 3;
}

bool limitMemory(uint64_t bytes) {
    if (AddressChecking || bytes == 0) return false;
    rlimit limit{};
    limit.rlim_cur = bytes;
    limit.rlim_max = RLIM_INFINITY;
    return setrlimit(RLIMIT_AS, &limit) == 0;
}

} // namespace flumpet::app
