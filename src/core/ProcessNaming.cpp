#include "core/ProcessNaming.h"

#include <algorithm>
#include <array>

namespace tv::ProcessNaming {

namespace {

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

template <std::size_t N>
bool oneOf(std::string_view name, const std::array<std::string_view, N>& names) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

// What a valid character becomes in shown text. C1 controls (U+0080–U+009F, among them the
// terminal's one-byte escape U+009B) and line separators break lines or drive terminals like
// C0 controls do; directional marks, embeddings, overrides and isolates can make a name read
// as another (a right-to-left override turns "exe.txt" around).
enum class Shown { asIs, asSpace, dropped };

Shown shownAs(char32_t c) {
    if ((c >= 0x80 && c <= 0x9F) || c == 0x2028 || c == 0x2029) {
        return Shown::asSpace;
    }
    if (c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
        (c >= 0x2066 && c <= 0x2069)) {
        return Shown::dropped;
    }
    return Shown::asIs;
}

// The code point of one well-formed UTF-8 sequence.
char32_t codePoint(std::string_view sequence) {
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(sequence[k]); };
    static constexpr unsigned char leadMask[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
    char32_t c = byte(0) & leadMask[sequence.size()];
    for (std::size_t k = 1; k < sequence.size(); ++k) {
        c = (c << 6) | (byte(k) & 0x3F);
    }
    return c;
}

}  // namespace

bool isInterpreter(std::string_view name) {
    static constexpr std::array<std::string_view, 8> interpreters{
        "node", "bun", "deno", "python", "python3", "Python", "ruby", "java"};
    return oneOf(name, interpreters);
}

bool isShell(std::string_view name) {
    static constexpr std::array<std::string_view, 11> shells{
        "zsh", "bash", "sh", "dash", "ksh", "tcsh", "csh", "fish", "nu", "elvish", "pwsh"};
    return oneOf(name, shells);
}

std::string lastPathComponent(std::string_view path) {
    // A trailing slash does not end the name: "/usr/bin/" names "bin".
    while (path.size() > 1 && path.back() == '/') {
        path.remove_suffix(1);
    }
    std::size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::vector<std::string> splitRewrittenCommandLine(const std::vector<std::string>& args,
                                                   std::string_view executablePath) {
    if (args.empty() || args[0].find(' ') == std::string::npos) {
        return args;
    }
    // A process that rewrote its command line leaves the rest of the old one empty.
    bool alone = std::all_of(args.begin() + 1, args.end(),
                             [](const std::string& arg) { return arg.empty(); });
    if (!alone) {
        return args;  // a program path with a space in it, followed by real arguments
    }
    std::string_view line = args[0];
    if (!executablePath.empty() && line == executablePath) {
        return args;
    }
    std::vector<std::string> words;
    std::string_view rest = line;
    std::string_view program;
    if (!executablePath.empty() && startsWith(line, executablePath) &&
        line[executablePath.size()] == ' ') {
        // The executable's own path may hold spaces: it is one word.
        program = executablePath;
        rest.remove_prefix(executablePath.size());
    }
    while (!rest.empty()) {
        std::size_t start = rest.find_first_not_of(' ');
        if (start == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(start);
        std::size_t end = rest.find(' ');
        words.emplace_back(rest.substr(0, end));
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end);
    }
    if (!program.empty()) {
        words.insert(words.begin(), std::string(program));
        return words;
    }
    if (words.empty()) {
        return args;
    }
    std::string& first = words.front();
    bool titled = first.size() > 1 && first.back() == ':';  // "postgres: checkpointer"
    if (titled) {
        first.pop_back();
        return {first};
    }
    // The first word names the program when it is the executable's name, or when what follows
    // reads as options; otherwise the spaces are part of a path.
    bool sameProgram =
        !executablePath.empty() && lastPathComponent(first) == lastPathComponent(executablePath);
    bool options = std::any_of(words.begin() + 1, words.end(),
                               [](const std::string& word) { return startsWith(word, "-"); });
    return sameProgram || options ? words : args;
}

std::string commandName(const std::vector<std::string>& givenArgs, std::string_view executablePath,
                        std::string_view shortName) {
    std::vector<std::string> args = splitRewrittenCommandLine(givenArgs, executablePath);
    std::string name;
    if (!args.empty() && !lastPathComponent(args[0]).empty()) {
        name = lastPathComponent(args[0]);
    } else if (!lastPathComponent(executablePath).empty()) {
        name = lastPathComponent(executablePath);
    } else {
        name = std::string(shortName);
    }
    if (isInterpreter(name)) {
        for (std::size_t i = 1; i < args.size() && i < 6; ++i) {
            if (!startsWith(args[i], "-")) {
                name += " " + lastPathComponent(args[i]);
                break;
            }
        }
    }
    return name;
}

bool isTypedCommand(int processGroup, int parentProcessGroup, std::string_view parentName) {
    return processGroup != parentProcessGroup && isShell(parentName);
}

std::string displayText(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        auto c = static_cast<unsigned char>(bytes[i]);
        if (c < 0x80) {
            out += (c < 0x20 || c == 0x7F) ? ' ' : static_cast<char>(c);
            ++i;
            continue;
        }
        // The length of a well-formed sequence starting here, or 0.
        std::size_t length = c >= 0xC2 && c <= 0xDF   ? 2
                             : c >= 0xE0 && c <= 0xEF ? 3
                             : c >= 0xF0 && c <= 0xF4 ? 4
                                                      : 0;
        bool valid = length > 0 && i + length <= bytes.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            valid = (static_cast<unsigned char>(bytes[i + k]) & 0xC0) == 0x80;
        }
        if (valid && length >= 3) {
            auto second = static_cast<unsigned char>(bytes[i + 1]);
            valid = !(c == 0xE0 && second < 0xA0) && !(c == 0xED && second > 0x9F) &&
                    !(c == 0xF0 && second < 0x90) && !(c == 0xF4 && second > 0x8F);
        }
        if (valid) {
            switch (shownAs(codePoint(bytes.substr(i, length)))) {
                case Shown::asIs:
                    out.append(bytes.substr(i, length));
                    break;
                case Shown::asSpace:
                    out += ' ';
                    break;
                case Shown::dropped:
                    break;
            }
            i += length;
        } else {
            out += "\xEF\xBF\xBD";
            ++i;
        }
    }
    return out;
}

std::optional<std::string> bundleOf(std::string_view path) {
    std::size_t at = path.find(".app/");
    if (at == std::string_view::npos) {
        return std::nullopt;
    }
    return std::string(path.substr(0, at)) + ".app";
}

bool isServicePath(std::string_view path) {
    return path.find(".xpc/") != std::string_view::npos;
}

bool isSystemPath(std::string_view path) {
    if (path.empty()) {
        return true;
    }
    if (startsWith(path, "/usr/local/")) {
        return false;
    }
    for (std::string_view prefix : {"/System/", "/usr/", "/bin/", "/sbin/", "/Library/Apple/"}) {
        if (startsWith(path, prefix)) {
            return true;
        }
    }
    return false;
}

}  // namespace tv::ProcessNaming
