#include "app/CommandLine.h"

namespace tv {

CommandLine CommandLine::read(const std::vector<std::string>& arguments) {
    CommandLine line;
    bool check = false;
    bool watch = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            line.mode = Mode::help;
            return line;
        }
        if (argument == "--version") {
            line.mode = Mode::version;
            return line;
        }
        if (argument == "--check") {
            check = true;
        } else if (argument == "--json") {
            line.json = true;
        } else if (argument == "--watch") {
            watch = true;
        } else if (argument == "--open") {
            line.open = true;
            // The folder is optional: only a following argument that is not an option is one.
            if (i + 1 < arguments.size() && !arguments[i + 1].empty() &&
                arguments[i + 1].front() != '-') {
                line.captureFolder = arguments[++i];
            }
        } else {
            line.mode = Mode::mistake;
            line.mistaken = argument;
            return line;
        }
    }
    line.mode = check ? Mode::check : watch ? Mode::watch : Mode::tray;
    return line;
}

CommandLine CommandLine::read(int argc, char** argv) {
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.emplace_back(argv[i]);
    }
    return read(arguments);
}

std::string CommandLine::usage() {
    return "Usage: tallyvane [OPTION]...\n"
           "A system monitor in the system tray. Without options TallyVane starts in the tray\n"
           "of the desktop session; a second start opens the running one's panel.\n"
           "\n"
           "  --check          print a self-check of this machine (what each reading comes\n"
           "                   from, the rules on sample data) and exit; needs no desktop\n"
           "  --json           with --check: print the self-check as one JSON object\n"
           "  --watch          print one line of readings per second on the console, without\n"
           "                   the tray, until interrupted; needs no desktop\n"
           "  --open [FOLDER]  open the panel 2.5 s after the start and keep it open; with\n"
           "                   FOLDER, 40 s after the start also write pictures of the tray\n"
           "                   label and of every view into that existing folder\n"
           "  -h, --help       print this help and exit\n"
           "  --version        print the version and exit\n"
           "\n"
           "Settings: $XDG_CONFIG_HOME/TallyVane/TallyVane.ini; crash reports:\n"
           "$XDG_STATE_HOME/TallyVane/DiagnosticReports/. See tallyvane(1).\n";
}

std::string CommandLine::mistakeText() const {
    bool option = !mistaken.empty() && mistaken.front() == '-';
    return std::string("tallyvane: ") + (option ? "unknown option '" : "unexpected argument '") +
           mistaken + "'\nTry 'tallyvane --help' for the options.\n";
}

}  // namespace tv
