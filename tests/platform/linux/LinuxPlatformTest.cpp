#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace tv {
namespace {

// This process's private memory in use, in KiB.
long anonymousKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("RssAnon:", 0) == 0) {
            return std::stol(line.substr(8));
        }
    }
    return -1;
}

// What a panel leaves behind when it closes: blocks freed between ones that stay, which the
// allocator keeps for itself until asked, as no heap's top is free.
TEST(ReturnFreedMemory, BlocksFreedBetweenOnesInUseGoBackToTheSystem) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer keeps freed memory in its own quarantine";
#endif
    constexpr std::size_t size = 8192;
    std::vector<char*> freed, kept;
    freed.reserve(4096);
    kept.reserve(4096);
    for (int i = 0; i < 4096; ++i) {
        auto* block = static_cast<char*>(std::malloc(size));
        std::memset(block, i, size);
        freed.push_back(block);
        kept.push_back(static_cast<char*>(std::malloc(16)));
    }
    for (char* block : freed) {
        std::free(block);
    }
    long before = anonymousKiB();
    ASSERT_GT(before, 0);
    platform::returnFreedMemory();
    long after = anonymousKiB();
    EXPECT_LT(after, before - 12 * 1024) << before << " KiB before, " << after << " after";
    for (char* block : kept) {
        std::free(block);
    }
}

}  // namespace
}  // namespace tv
