#include "platform/linux/proc/DesktopEntries.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "core/ProcessNaming.h"
#include "platform/linux/proc/ProcFile.h"

namespace tv::linux_os {

namespace {

constexpr int deepestSubfolder = 3;
constexpr std::size_t largestDesktopFile = 1 << 20;

std::string_view trimmed(std::string_view text) {
    std::size_t start = text.find_first_not_of(" \t\r");
    if (start == std::string_view::npos) {
        return {};
    }
    std::size_t end = text.find_last_not_of(" \t\r");
    return text.substr(start, end - start + 1);
}

// The keys to try for a localised value, best first: lang_COUNTRY@MODIFIER, lang_COUNTRY,
// lang@MODIFIER, lang.
std::vector<std::string> localeKeys(std::string_view locale) {
    std::string_view lang = locale.substr(0, locale.find_first_of("_.@"));
    std::string_view country, modifier;
    if (std::size_t u = locale.find('_'); u != std::string_view::npos) {
        country = locale.substr(u + 1);
        country = country.substr(0, country.find_first_of(".@"));
    }
    if (std::size_t at = locale.find('@'); at != std::string_view::npos) {
        modifier = locale.substr(at + 1);
    }
    std::vector<std::string> keys;
    if (lang.empty() || lang == "C" || lang == "POSIX") {
        return keys;
    }
    std::string l(lang), c(country), m(modifier);
    if (!c.empty() && !m.empty()) {
        keys.push_back(l + "_" + c + "@" + m);
    }
    if (!c.empty()) {
        keys.push_back(l + "_" + c);
    }
    if (!m.empty()) {
        keys.push_back(l + "@" + m);
    }
    keys.push_back(l);
    return keys;
}

bool neverMatches(std::string_view program) {
    std::string name = ProcessNaming::lastPathComponent(program);
    static const char* launchers[] = {"env",      "flatpak",    "snap",     "bwrap",
                                      "sudo",     "pkexec",     "xdg-open", "gio",
                                      "exo-open", "kioclient5", "kioclient"};
    for (const char* launcher : launchers) {
        if (name == launcher) {
            return true;
        }
    }
    // "python3.11", "ruby3.1", "perl": versioned interpreters count as interpreters too.
    std::string base = name.substr(0, name.find_first_of("0123456789."));
    return ProcessNaming::isShell(name) || ProcessNaming::isInterpreter(name) ||
           ProcessNaming::isInterpreter(base) || base == "perl" || base == "php" || base == "lua" ||
           base == "mono" || base == "wine";
}

std::string realPath(const std::string& path) {
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) == nullptr) {
        return {};
    }
    return resolved;
}

std::string lowerCase(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

// A program file that is not a script: a wrapper's real program.
bool isBinaryProgram(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || (info.st_mode & 0111) == 0) {
        return false;
    }
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    char magic[4] = {};
    bool elf = ::read(fd, magic, sizeof magic) == sizeof magic &&
               std::string_view(magic, 4) == std::string_view(
                                                 "\x7f"
                                                 "ELF",
                                                 4);
    ::close(fd);
    return elf;
}

// The usual homes of general tools (dirname, readlink, env): a wrapper calling them is not
// starting its app.
bool inToolFolder(std::string_view path) {
    for (std::string_view folder :
         {"/bin/", "/sbin/", "/usr/bin/", "/usr/sbin/", "/usr/local/bin/", "/usr/local/sbin/"}) {
        if (path.starts_with(folder) && path.find('/', folder.size()) == std::string_view::npos) {
            return true;
        }
    }
    return false;
}

std::vector<std::string> splitColons(const char* value) {
    std::vector<std::string> parts;
    if (value == nullptr) {
        return parts;
    }
    std::string_view rest(value);
    while (!rest.empty()) {
        std::size_t colon = rest.find(':');
        std::string_view part = rest.substr(0, colon);
        if (!part.empty()) {
            parts.emplace_back(part);
        }
        rest.remove_prefix(colon == std::string_view::npos ? rest.size() : colon + 1);
    }
    return parts;
}

}  // namespace

std::optional<DesktopFile> parseDesktopFile(std::string_view text, std::string_view locale) {
    DesktopFile file;
    bool inEntry = false, found = false;
    std::vector<std::string> keys = localeKeys(locale);
    std::size_t bestName = keys.size() + 1;  // lower is better; keys.size() is plain Name
    forEachLine(text, [&](std::string_view raw) {
        std::string_view line = trimmed(raw);
        if (line.empty() || line[0] == '#') {
            return;
        }
        if (line[0] == '[') {
            inEntry = line == "[Desktop Entry]";
            found = found || inEntry;
            return;
        }
        if (!inEntry) {
            return;
        }
        std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            return;
        }
        std::string_view key = trimmed(line.substr(0, equals));
        std::string_view value = trimmed(line.substr(equals + 1));
        if (key == "Type") {
            file.application = value == "Application";
        } else if (key == "Exec") {
            file.exec = std::string(value);
        } else if (key == "Hidden") {
            file.hidden = value == "true";
        } else if (key == "NoDisplay") {
            file.noDisplay = value == "true";
        } else if (key == "StartupWMClass") {
            file.windowClass = std::string(value);
        } else if (key == "Name" && bestName > keys.size()) {
            file.name = ProcessNaming::displayText(value);
            bestName = keys.size();
        } else if (key.substr(0, 5) == "Name[" && key.back() == ']') {
            std::string_view tag = key.substr(5, key.size() - 6);
            for (std::size_t i = 0; i < keys.size() && i < bestName; ++i) {
                if (tag == keys[i]) {
                    file.name = ProcessNaming::displayText(value);
                    bestName = i;
                }
            }
        }
    });
    if (!found) {
        return std::nullopt;
    }
    return file;
}

std::string execProgram(std::string_view exec) {
    // A NUL is no part of a desktop file's text; a path cut short at it would name another file.
    if (exec.find('\0') != std::string_view::npos) {
        return {};
    }
    std::vector<std::string> words;
    std::string word;
    bool quoted = false, any = false;
    for (std::size_t i = 0; i <= exec.size(); ++i) {
        char c = i < exec.size() ? exec[i] : ' ';
        if (quoted) {
            if (c == '\\' && i + 1 < exec.size()) {
                word += exec[++i];
            } else if (c == '"') {
                quoted = false;
            } else {
                word += c;
            }
        } else if (c == '"') {
            quoted = any = true;
        } else if (c == ' ' || c == '\t') {
            if (any || !word.empty()) {
                words.push_back(word);
                if (words.size() > 16) {
                    break;
                }
            }
            word.clear();
            any = false;
        } else {
            word += c;
            any = true;
        }
    }
    if (quoted && !word.empty()) {  // an unterminated quote runs to the end
        words.push_back(word.substr(0, word.size() - 1));
    }
    std::size_t i = 0;
    if (i < words.size() && ProcessNaming::lastPathComponent(words[i]) == "env") {
        ++i;
        while (i < words.size() &&
               (words[i].find('=') != std::string::npos || words[i][0] == '-')) {
            ++i;
        }
    }
    return i < words.size() ? words[i] : std::string();
}

std::vector<std::string> wrappedPrograms(std::string_view script, const std::string& scriptPath) {
    constexpr std::size_t mostCandidates = 8;
    std::string folder = scriptPath.substr(0, scriptPath.rfind('/'));
    std::vector<std::string> found;
    std::string_view rest = script;
    while (!rest.empty() && found.size() < mostCandidates) {
        std::size_t start = rest.find_first_not_of(" \t\r\n\"'`;=|&<>");
        if (start == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(start);
        std::size_t end = rest.find_first_of(" \t\r\n\"'`;=|&<>");
        std::string_view word = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end);
        if (word.empty() || word[0] == '#') {
            continue;
        }
        std::string candidate;
        if (word[0] == '/') {
            candidate = std::string(word);
        } else if (word[0] == '$' || word[0] == ')') {
            // "$HERE/app", "${HERE}/app", the end of "$(dirname "$0")/app": the script's folder.
            std::size_t slash = word.find('/');
            std::string_view head = word.substr(0, slash);
            bool folderLike = head == ")" || (head.size() > 1 &&
                                              head.find_first_of("()") == std::string_view::npos);
            if (slash != std::string_view::npos && folderLike && slash + 1 < word.size()) {
                candidate = folder + std::string(word.substr(slash));
            }
        }
        if (candidate.empty() || candidate.find('$') != std::string::npos ||
            candidate.find('*') != std::string::npos ||
            std::find(found.begin(), found.end(), candidate) != found.end()) {
            continue;
        }
        found.push_back(std::move(candidate));
    }
    return found;
}

DesktopEntries::DesktopEntries(std::vector<std::string> dataDirs,
                               std::vector<std::string> searchPath, std::string locale)
    : dataDirs_(std::move(dataDirs)),
      searchPath_(std::move(searchPath)),
      locale_(std::move(locale)) {
    scan();
}

DesktopEntries DesktopEntries::forThisSession() {
    std::vector<std::string> dirs;
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    if (dataHome != nullptr && *dataHome == '/') {
        dirs.emplace_back(dataHome);
    } else if (home != nullptr && *home == '/') {
        dirs.push_back(std::string(home) + "/.local/share");
    }
    std::vector<std::string> shared = splitColons(std::getenv("XDG_DATA_DIRS"));
    if (shared.empty()) {
        shared = {"/usr/local/share", "/usr/share"};
    }
    dirs.insert(dirs.end(), shared.begin(), shared.end());
    std::vector<std::string> path = splitColons(std::getenv("PATH"));
    if (path.empty()) {
        path = {"/usr/local/bin", "/usr/bin", "/bin"};
    }
    std::string locale;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            locale = value;
            break;
        }
    }
    return DesktopEntries(std::move(dirs), std::move(path), std::move(locale));
}

std::uint64_t DesktopEntries::foldersStamp() const {
    std::uint64_t stamp = 0;
    for (const std::string& dir : dataDirs_) {
        struct stat info {};
        if (::stat((dir + "/applications").c_str(), &info) == 0) {
            stamp = stamp * 31 + static_cast<std::uint64_t>(info.st_mtim.tv_sec) * 1'000'000'000 +
                    static_cast<std::uint64_t>(info.st_mtim.tv_nsec);
        }
    }
    return stamp;
}

void DesktopEntries::refreshIfChanged() {
    if (foldersStamp() != stamp_) {
        scan();
    }
}

void DesktopEntries::scan() {
    entries_.clear();
    byExecutable_.clear();
    byWindowClass_.clear();
    seenIds_.clear();
    stamp_ = foldersStamp();
    for (const std::string& dir : dataDirs_) {
        scanFolder(dir + "/applications", dir + "/applications", "", 0);
    }
}

void DesktopEntries::scanFolder(const std::string& base, const std::string& folder,
                                const std::string& prefix, int depth) {
    for (const std::string& name : listDirectory(folder)) {
        std::string path = folder + "/" + name;
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0) {
            continue;
        }
        if (S_ISDIR(info.st_mode)) {
            if (depth < deepestSubfolder) {
                scanFolder(base, path, prefix + name + "-", depth + 1);
            }
            continue;
        }
        constexpr std::string_view suffix = ".desktop";
        if (!S_ISREG(info.st_mode) || name.size() <= suffix.size() ||
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0 ||
            static_cast<std::size_t>(info.st_size) > largestDesktopFile) {
            continue;
        }
        std::string id = prefix + name.substr(0, name.size() - suffix.size());
        if (!seenIds_.emplace(id, true).second) {
            continue;  // a folder earlier in the list already has this id
        }
        auto text = readFile(path);
        auto file = text ? parseDesktopFile(*text, locale_) : std::nullopt;
        if (!file || !file->application || file->hidden) {
            continue;
        }
        DesktopEntry entry{id, path, file->name.empty() ? id : file->name, file->windowClass};
        if (file->noDisplay) {
            // A handler or helper entry (a URL handler of an app, a panel's settings) is never
            // what a running program is: it claims nothing.
            entries_.emplace(id, std::move(entry));
            continue;
        }
        std::string program = execProgram(file->exec);
        if (!program.empty() && !neverMatches(program)) {
            std::string resolved;
            if (program.find('/') != std::string::npos) {
                resolved = realPath(program);
            } else {
                for (const std::string& dir : searchPath_) {
                    resolved = realPath(dir + "/" + program);
                    if (!resolved.empty()) {
                        break;
                    }
                }
            }
            if (!resolved.empty() && !neverMatches(resolved)) {
                byExecutable_.emplace(resolved, id);
                addWrapped(resolved, id);
            }
            byWindowClass_.emplace(lowerCase(ProcessNaming::lastPathComponent(program)), id);
        }
        if (!file->windowClass.empty()) {
            byWindowClass_[lowerCase(file->windowClass)] = id;  // said outright: it wins
        }
        byWindowClass_.emplace(lowerCase(id), id);
        entries_.emplace(id, std::move(entry));
    }
}

// An Exec program that is a script starting the app's real program (as many browsers, editors
// and office suites install): the running app's executable is that program.
void DesktopEntries::addWrapped(const std::string& script, const std::string& id) {
    constexpr std::size_t largestScript = 64 * 1024;
    struct stat info {};
    if (::stat(script.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
        static_cast<std::size_t>(info.st_size) > largestScript) {
        return;
    }
    auto text = readFile(script);
    if (!text || !std::string_view(*text).starts_with("#!")) {
        return;
    }
    for (const std::string& candidate : wrappedPrograms(*text, script)) {
        std::string resolved = realPath(candidate);
        if (!resolved.empty() && resolved != script && !inToolFolder(resolved) &&
            !neverMatches(resolved) && isBinaryProgram(resolved)) {
            byExecutable_.emplace(resolved, id);
        }
    }
}

const DesktopEntry* DesktopEntries::byWindowClass(const std::string& windowClass) const {
    auto found = byWindowClass_.find(lowerCase(windowClass));
    return found == byWindowClass_.end() ? nullptr : byId(found->second);
}

const DesktopEntry* DesktopEntries::byId(const std::string& id) const {
    auto found = entries_.find(id);
    return found == entries_.end() ? nullptr : &found->second;
}

const DesktopEntry* DesktopEntries::byExecutable(const std::string& executable) const {
    auto found = byExecutable_.find(executable);
    return found == byExecutable_.end() ? nullptr : byId(found->second);
}

}  // namespace tv::linux_os
