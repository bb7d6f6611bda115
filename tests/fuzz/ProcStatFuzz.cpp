// /proc/PID/stat, parsed alone and as read by the process table.
#include "FuzzRoot.h"
#include "ProcessFuzz.h"
#include "platform/linux/proc/ProcStat.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text = tv::fuzz::asText(data, size);
    if (auto stat = tv::linux_os::parseProcStat(text)) {
        // The name is whatever sits between the first "(" and the last ")".
        std::size_t open = text.find('(');
        tv::fuzz::check(text.substr(open + 1, stat->comm.size()) == stat->comm &&
                            text[open + 1 + stat->comm.size()] == ')' &&
                            text.rfind(')') == open + 1 + stat->comm.size(),
                        "the name runs from the first ( to the last )");
        tv::fuzz::check(stat->state != ' ' && stat->state != '\t', "a state is one letter");
    }
    tv::fuzz::fuzzProcessFile("stat", text);
    return 0;
}
