// /proc/stat: the per-processor tick counters.
#include "FuzzRoot.h"
#include "platform/linux/system/LinuxCpuTickSource.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const tv::fuzz::FuzzRoot& root = tv::fuzz::FuzzRoot::get();
    std::string_view text = tv::fuzz::asText(data, size);
    root.write("proc/stat", text);
    tv::linux_os::LinuxCpuTickSource source(root.path());
    auto first = source.read();
    auto second = source.read();
    tv::fuzz::check(first.has_value() == second.has_value(), "the same file reads the same");
    if (first) {
        tv::fuzz::check(first->cores == second->cores && first->layout == second->layout,
                        "the same file gives the same counters and layout");
        std::size_t lines = 0;
        for (std::size_t at = text.find("cpu"); at != std::string_view::npos;
             at = text.find("cpu", at + 1)) {
            ++lines;
        }
        tv::fuzz::check(first->cores.size() <= lines, "no more processors than cpu lines");
    }
    return 0;
}
