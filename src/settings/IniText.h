#pragma once

#include <QString>
#include <QVariant>

#include <string>
#include <vector>

namespace tv {

// An INI settings file's text as the user or an earlier run left it, kept line by line.
// Reads the top-level keys (those before any section or in [General]) the way the format
// always read them: quotes, backslash escapes, unquoted comma lists, "@Variant(...)" values,
// ";" comments. An edit rewrites only the line of the key concerned (or adds one), so
// comments, order, spacing, other sections and keys it does not know stay exactly as they
// were.
class IniText {
  public:
    IniText() = default;
    explicit IniText(const std::string& bytes);

    // The value of a top-level key (the last one when it is there twice): a QString, a
    // QStringList for an unquoted comma list, or what an "@Variant(...)" holds. Invalid
    // when absent.
    QVariant value(const QString& key) const;
    // Stores a value already in the file's syntax (see `encode`).
    void set(const QString& key, const QString& encoded);
    void remove(const QString& key);

    std::string bytes() const;

    // A text in value syntax: as it is when it reads back unchanged, else quoted and escaped.
    static QString encode(const QString& given);

  private:
    struct Line {
        std::string raw;
        bool topLevel = false;
        QString key;  // empty unless the line holds a key
    };
    std::vector<Line>::const_iterator lastLineOf(const QString& key) const;

    std::vector<Line> lines_;
    bool endsWithNewline_ = true;
};

}  // namespace tv
