#pragma once

#include <QSettings>
#include <QString>

#include <memory>
#include <optional>

#include "core/Date.h"

namespace tv {

// The stored settings. Every value is read at the moment it is used; nothing is cached, so
// a change takes effect at the next use. A missing or malformed value reads as its default.
//
// One instance per thread: instances on the same file share what they store within the
// process.
class Settings {
  public:
    // The user's own settings (organisation and application "TallyVane").
    Settings();
    // Settings kept in the given INI file; for tests and tools.
    explicit Settings(const QString& iniPath);

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

    void setBoolean(const char* key, bool value);
    void setInteger(const char* key, int value);
    void setReal(const char* key, double value);
    void setText(const char* key, const QString& value);
    void setDate(const char* key, Date value);
    void remove(const char* key);

    QString fileName() const;

  private:
    std::unique_ptr<QSettings> store_;
};

}  // namespace tv
