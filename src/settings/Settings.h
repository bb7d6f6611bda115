#pragma once

#include <QString>
#include <QVariant>

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>

#include "core/Date.h"
#include "core/Moment.h"
#include "platform/UserFiles.h"
#include "settings/IniText.h"

namespace tv {

// The stored settings, an INI file. Every value is read at the moment it is used: the file
// is looked at (one stat; reads in the same millisecond share it) and read again when it
// changed, so an edit made outside the program, or by another instance, counts from the
// next use. "Close together" is measured on the instance's own steady clock (the system's
// unless one is given), so a caller that runs on a clock of its own (a replayed day of
// ticks) decides what counts as one moment. A missing or malformed value reads as its
// default.
//
// The file is the user's: only a regular text file of at most 1 MiB is read. Anything else
// at its place (a pipe, a folder, a huge or binary file) is unreadable: every value reads
// as its default and the file is never written. A write changes only the line of its key
// (comments, order and unknown keys stay as they are) and replaces the file at once, so a
// crash never leaves half a file. Writes say whether the value was really stored.
//
// One instance per thread.
class Settings {
  public:
    static constexpr std::size_t largestFile = 1024 * 1024;
    // Reads this close together (a tick's few) share one look at the file.
    static constexpr std::chrono::microseconds sameMoment{1000};

    // The user's own settings (organisation and application "TallyVane").
    Settings();
    // Settings kept in the given INI file; for tests and tools.
    explicit Settings(const QString& iniPath);
    // The same, with the steady clock that says which reads are close together.
    Settings(const QString& iniPath, std::function<Moment()> steady);

    // A switch is on unless a boolean false is stored. In an INI file a stored false reads
    // back as the text "false"; any other value, or none, counts as on.
    bool isOn(const char* key) const;
    // A stored boolean that defaults to false: true only for a stored true.
    bool flag(const char* key) const;
    // A whole number; `fallback` when absent or not a whole number.
    int integer(const char* key, int fallback = 0) const;
    // A real number; `fallback` when absent or not a number.
    double real(const char* key, double fallback = 0) const;
    // Text; absent when nothing is stored.
    std::optional<QString> text(const char* key) const;
    // A date; absent when nothing readable is stored.
    std::optional<Date> date(const char* key) const;

    // The panel's expanded reading: "cpu", "memory", "gpu" or "heat"; "cpu" otherwise.
    QString panel() const;

    bool setBoolean(const char* key, bool value);
    bool setInteger(const char* key, int value);
    bool setReal(const char* key, double value);
    bool setText(const char* key, const QString& value);
    bool setDate(const char* key, Date value);
    bool remove(const char* key);

    QString fileName() const;
    // Whether the file is there but cannot be used (see above).
    bool unreadable() const;

  private:
    QVariant value(const char* key) const;
    // Reads the file again if it is not the one last read.
    void refresh() const;
    bool store(const char* key, const std::optional<QString>& encoded);

    QString path_;
    std::function<Moment()> steady_;
    mutable IniText ini_;
    mutable FileStamp stamp_;
    mutable Moment checkedAt_;
    mutable bool loaded_ = false;
    mutable bool unreadable_ = false;
};

}  // namespace tv
