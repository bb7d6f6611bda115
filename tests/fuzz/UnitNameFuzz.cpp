// The cgroup path and the systemd unit names an application's desktop id is read from.
#include "FuzzRoot.h"
#include "platform/linux/proc/AppScope.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tv::linux_os;
    std::string_view text = tv::fuzz::asText(data, size);
    std::string path = cgroupPath(text);
    std::string last = lastComponent(path);
    tv::fuzz::check(last.find('/') == std::string::npos, "a last component holds no slash");
    for (std::string_view unit : {std::string_view(last), text}) {
        for (const std::string& id : desktopIdsOfUnit(unit)) {
            tv::fuzz::check(!id.empty(), "a desktop id is never empty");
            tv::fuzz::check(id.find('/') == std::string::npos && id.find('\0') == std::string::npos,
                            "a desktop id names no folder and holds no NUL");
        }
    }
    std::string plain = unescapeUnitName(text);
    tv::fuzz::check(plain.size() <= text.size(), "decoding never lengthens a name");
    return 0;
}
