#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tv {

// What the command line asks for. It is read before anything else is set up, so that the
// answers that need no desktop ("--help", "--version", a mistyped option) are given the same
// way with or without one, and never by starting the tray.
struct CommandLine {
    enum class Mode {
        tray,     // the tray program (with "--open" its panel opens by itself)
        check,    // the self-check, printed
        watch,    // one line of readings per second on the console
        help,     // the usage, printed
        version,  // the version, printed
        mistake,  // an option that does not exist, or an argument nothing takes
    };

    Mode mode = Mode::tray;
    bool json = false;  // with "--check": one JSON object
    // "--open", and the folder that followed it (a capture), when one did.
    bool open = false;
    std::optional<std::string> captureFolder;
    // The argument that made this a mistake.
    std::string mistaken;

    // Reads the arguments after the program's name. The first "--help", "--version" or
    // mistake decides, as later arguments are never looked at; otherwise "--check" wins over
    // "--watch", which wins over the tray.
    static CommandLine read(const std::vector<std::string>& arguments);
    static CommandLine read(int argc, char** argv);

    // The text "--help" prints: every option, one line each (and where it continues).
    static std::string usage();
    // What a mistake prints on standard error: what was wrong and where help is.
    std::string mistakeText() const;
};

}  // namespace tv
