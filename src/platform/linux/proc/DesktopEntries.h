#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tv::linux_os {

// One installed desktop application.
struct DesktopEntry {
    std::string id;           // the desktop-file id, e.g. "org.gnome.TextEditor"
    std::string path;         // the .desktop file
    std::string name;         // its Name, localised when the file has the user's language
    std::string windowClass;  // its StartupWMClass; empty when it names none
};

// What TallyVane reads of a .desktop file's [Desktop Entry] group.
struct DesktopFile {
    std::string name;
    std::string exec;
    std::string windowClass;  // StartupWMClass
    bool application = false;
    bool hidden = false;
    bool noDisplay = false;  // not shown in menus: a handler or helper, never an app's face
};

// Parses a .desktop file; absent when it has no [Desktop Entry] group. `locale` is a POSIX
// locale name such as "de_DE.UTF-8@euro".
std::optional<DesktopFile> parseDesktopFile(std::string_view text, std::string_view locale);

// The program an Exec line starts: its first word, unquoted, after any "env VAR=value".
std::string execProgram(std::string_view exec);

// The programs a wrapper script at `scriptPath` (its text `script`) may start in its stead:
// absolute paths, and paths after a variable or "$(dirname ...)" taken as the script's own
// folder ("$HERE/chrome"), as written in it. Unchecked candidates, at most a few.
std::vector<std::string> wrappedPrograms(std::string_view script, const std::string& scriptPath);

// The installed applications, found the way desktop menus find them: every
// .desktop file under each data directory's "applications" folder, the first directory
// winning for an id, a file in a subfolder "a/b.desktop" having the id "a-b".
class DesktopEntries {
  public:
    // `dataDirs` in order of precedence (the user's own first); `searchPath` the folders in
    // which an Exec program without a slash is looked for.
    DesktopEntries(std::vector<std::string> dataDirs, std::vector<std::string> searchPath,
                   std::string locale);

    // The data dirs, search path and locale of this session ($XDG_DATA_HOME, $XDG_DATA_DIRS,
    // $PATH, LC_ALL / LC_MESSAGES / LANG).
    static DesktopEntries forThisSession();

    const DesktopEntry* byId(const std::string& id) const;
    // The application whose Exec program is this executable (a resolved, real path), or
    // whose Exec program is a wrapper script that starts this executable. Shells, interpreters
    // and launchers never match, nor do entries hidden from menus (NoDisplay).
    const DesktopEntry* byExecutable(const std::string& executable) const;
    // The application whose StartupWMClass is this window class, else whose id or Exec
    // program's name is it (ignoring case), as docks match windows to entries. Entries hidden
    // from menus never match.
    const DesktopEntry* byWindowClass(const std::string& windowClass) const;

    // Scans again if an applications folder changed since the last scan.
    void refreshIfChanged();

    std::size_t size() const { return entries_.size(); }

  private:
    void scan();
    void scanFolder(const std::string& base, const std::string& folder, const std::string& prefix,
                    int depth);
    std::uint64_t foldersStamp() const;

    std::vector<std::string> dataDirs_;
    std::vector<std::string> searchPath_;
    std::string locale_;
    std::unordered_map<std::string, DesktopEntry> entries_;
    void addWrapped(const std::string& script, const std::string& id);

    std::unordered_map<std::string, std::string> byExecutable_;   // real path → id
    std::unordered_map<std::string, std::string> byWindowClass_;  // lower-case class → id
    std::unordered_map<std::string, bool> seenIds_;
    std::uint64_t stamp_ = 0;
};

}  // namespace tv::linux_os
