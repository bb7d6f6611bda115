// A .desktop file: its [Desktop Entry] group, localised Name and Exec unquoting.
#include "FuzzRoot.h"
#include "platform/linux/proc/DesktopEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tv::linux_os;
    std::string_view text = tv::fuzz::asText(data, size);
    if (auto file = parseDesktopFile(text, "de_DE.UTF-8@euro")) {
        tv::fuzz::check(file->name.find('\n') == std::string::npos &&
                            file->exec.find('\n') == std::string::npos,
                        "a value never runs past its line");
        std::string program = execProgram(file->exec);
        tv::fuzz::check(program.size() <= file->exec.size(), "unquoting never lengthens");
        tv::fuzz::check(program.find('\0') == std::string::npos, "a program holds no NUL");
    }
    std::string program = execProgram(text);
    tv::fuzz::check(program.size() <= text.size(), "unquoting never lengthens");

    // Installed as an application, its name is what the process table shows.
    const tv::fuzz::FuzzRoot& root = tv::fuzz::FuzzRoot::get();
    root.write("share/applications/fuzzed.desktop", text);
    DesktopEntries entries({root.path() + "/share"}, {root.path() + "/bin"}, "de_DE");
    if (const DesktopEntry* entry = entries.byId("fuzzed")) {
        tv::fuzz::check(tv::fuzz::validUtf8(entry->name), "a display name is valid UTF-8");
        tv::fuzz::check(!tv::fuzz::hasControl(entry->name), "a display name holds no control");
    }
    return 0;
}
