#include "settings/IniText.h"

#include <QDataStream>
#include <QIODevice>
#include <QStringList>

#include <algorithm>
#include <utility>

namespace tv {

namespace {

std::string_view trimmed(std::string_view text) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool isHex(QChar c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

// A value's text as one string or, with unquoted commas, a list. Whitespace around unquoted
// text is dropped; a ";" outside quotes starts a comment.
QVariant unescape(const QString& raw) {
    QStringList items;
    QString current;
    bool quoted = false;
    bool list = false;
    qsizetype keep = 0;  // length of `current` that trailing blanks may not eat
    auto endItem = [&] {
        current.truncate(std::max(keep, qsizetype(0)));
        items << current;
        current.clear();
        keep = 0;
    };
    for (qsizetype i = 0; i < raw.size(); ++i) {
        QChar c = raw[i];
        if (c == u'"') {
            quoted = !quoted;
            keep = current.size();
        } else if (c == u'\\' && i + 1 < raw.size()) {
            QChar e = raw[++i];
            static const QString codes = QStringLiteral("abfnrtv");
            static const QString values = QStringLiteral("\a\b\f\n\r\t\v");
            if (qsizetype at = codes.indexOf(e); at >= 0) {
                current += values[at];
            } else if (e == u'x') {
                uint code = 0;
                while (i + 1 < raw.size() && isHex(raw[i + 1])) {
                    code = code * 16 + static_cast<uint>(QString(raw[++i]).toUInt(nullptr, 16));
                }
                current += QChar(static_cast<char16_t>(code));
            } else if (e >= u'0' && e <= u'7') {
                uint code = static_cast<uint>(e.unicode() - u'0');
                while (i + 1 < raw.size() && raw[i + 1] >= u'0' && raw[i + 1] <= u'7') {
                    code = code * 8 + static_cast<uint>(raw[++i].unicode() - u'0');
                }
                current += QChar(static_cast<char16_t>(code));
            } else {
                current += e;
            }
            keep = current.size();
        } else if (!quoted && c == u',') {
            list = true;
            endItem();
        } else if (!quoted && c == u';') {
            break;
        } else if (!quoted && (c == u' ' || c == u'\t')) {
            if (!current.isEmpty()) {
                current += c;  // inner blanks stay; trailing ones are cut at the end
            }
        } else {
            current += c;
            keep = current.size();
        }
    }
    if (list) {
        endItem();
        return items;
    }
    current.truncate(keep);
    return current;
}

// The special forms a value starting with "@" may take.
QVariant special(const QString& text) {
    if (text.startsWith(QStringLiteral("@@"))) {
        return text.mid(1);
    }
    if (!text.startsWith(u'@') || !text.endsWith(u')')) {
        return text;
    }
    auto inner = [&](const char* prefix) {
        return text.mid(qsizetype(qstrlen(prefix)), text.size() - qsizetype(qstrlen(prefix)) - 1);
    };
    if (text.startsWith(QStringLiteral("@String("))) {
        return inner("@String(");
    }
    if (text.startsWith(QStringLiteral("@ByteArray("))) {
        return inner("@ByteArray(");
    }
    if (text.startsWith(QStringLiteral("@Invalid("))) {
        return {};
    }
    // Values the settings library kept in its binary form: dates (in newer versions) and
    // anything else it had no text for.
    for (auto [prefix, version] : {std::pair{"@DateTime(", QDataStream::Qt_5_6},
                                   std::pair{"@Variant(", QDataStream::Qt_4_0}}) {
        if (text.startsWith(QLatin1String(prefix))) {
            QByteArray data = inner(prefix).toLatin1();
            QDataStream stream(&data, QIODevice::ReadOnly);
            stream.setVersion(version);
            QVariant result;
            stream >> result;
            return stream.status() == QDataStream::Ok ? result : QVariant();
        }
    }
    return text;
}

}  // namespace

IniText::IniText(const std::string& bytes) {
    bool topLevel = true;
    std::size_t at = 0;
    endsWithNewline_ = bytes.empty() || bytes.back() == '\n';
    while (at < bytes.size()) {
        std::size_t end = bytes.find('\n', at);
        if (end == std::string::npos) {
            end = bytes.size();
        }
        Line line{bytes.substr(at, end - at), false, {}};
        at = end + 1;
        std::string_view text = trimmed(line.raw);
        if (!text.empty() && text.front() == '[') {
            std::size_t close = text.find(']');
            std::string_view section = text.substr(
                1, close == std::string_view::npos ? std::string_view::npos : close - 1);
            topLevel = QString::fromUtf8(section.data(), qsizetype(section.size()))
                           .compare(QLatin1String("General"), Qt::CaseInsensitive) == 0;
        } else if (!text.empty() && text.front() != ';' && text.front() != '#') {
            if (std::size_t equals = text.find('='); equals != std::string_view::npos) {
                std::string_view key = trimmed(text.substr(0, equals));
                line.key = QString::fromUtf8(key.data(), qsizetype(key.size()));
            }
        }
        line.topLevel = topLevel;
        lines_.push_back(std::move(line));
    }
}

std::vector<IniText::Line>::const_iterator IniText::lastLineOf(const QString& key) const {
    auto found = std::find_if(lines_.rbegin(), lines_.rend(), [&](const Line& line) {
        return line.topLevel && !line.key.isEmpty() && line.key == key;
    });
    return found == lines_.rend() ? lines_.end() : std::prev(found.base());
}

QVariant IniText::value(const QString& key) const {
    auto line = lastLineOf(key);
    if (line == lines_.end()) {
        return {};
    }
    std::size_t equals = line->raw.find('=');
    QVariant value = unescape(QString::fromUtf8(line->raw.substr(equals + 1)));
    return value.typeId() == QMetaType::QString ? special(value.toString()) : value;
}

void IniText::set(const QString& key, const QString& encoded) {
    std::string text = (key + QLatin1Char('=') + encoded).toStdString();
    auto existing = lastLineOf(key);
    if (existing != lines_.end()) {
        lines_[std::size_t(existing - lines_.begin())].raw = std::move(text);
        return;
    }
    // After the last top-level key or the [General] heading; else before the first section.
    std::size_t insertAt = lines_.size();
    bool found = false;
    for (std::size_t i = lines_.size(); i-- > 0;) {
        std::string_view line = trimmed(lines_[i].raw);
        if (lines_[i].topLevel && (!lines_[i].key.isEmpty() || (!line.empty() && line[0] == '['))) {
            insertAt = i + 1;
            found = true;
            break;
        }
    }
    if (!found) {
        auto section = std::find_if(lines_.begin(), lines_.end(), [](const Line& line) {
            std::string_view text = trimmed(line.raw);
            return !text.empty() && text.front() == '[';
        });
        if (lines_.empty()) {
            lines_.push_back(Line{"[General]", true, {}});
            insertAt = 1;
        } else {
            insertAt = std::size_t(section - lines_.begin());
        }
    }
    if (insertAt == lines_.size() && !endsWithNewline_) {
        endsWithNewline_ = true;  // the old last line gets its newline; so does the new one
    }
    lines_.insert(lines_.begin() + std::ptrdiff_t(insertAt), Line{std::move(text), true, key});
}

void IniText::remove(const QString& key) {
    std::erase_if(lines_, [&](const Line& line) { return line.topLevel && line.key == key; });
}

std::string IniText::bytes() const {
    std::string out;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        out += lines_[i].raw;
        if (i + 1 < lines_.size() || endsWithNewline_) {
            out += '\n';
        }
    }
    return out;
}

QString IniText::encode(const QString& given) {
    // A leading "@" marks a special form; a text that starts with one doubles it.
    QString text = given.startsWith(u'@') ? QLatin1Char('@') + given : given;
    bool plain = !text.isEmpty() && !text.front().isSpace() && !text.back().isSpace() &&
                 std::none_of(text.begin(), text.end(), [](QChar c) {
                     return c == u',' || c == u';' || c == u'"' || c == u'\\' || c == u'#' ||
                            c.unicode() < 0x20 || c.unicode() == 0x7f;
                 });
    if (plain) {
        return text;
    }
    QString out = QStringLiteral("\"");
    bool hexBefore = false;
    for (QChar c : text) {
        bool hexNow = false;
        if (c == u'"' || c == u'\\') {
            out += QLatin1Char('\\') + c;
        } else if (c == u'\n') {
            out += QStringLiteral("\\n");
        } else if (c == u'\t') {
            out += QStringLiteral("\\t");
        } else if (c == u'\r') {
            out += QStringLiteral("\\r");
        } else if (c.unicode() < 0x20 || c.unicode() == 0x7f || (hexBefore && isHex(c))) {
            // A digit right after a hex escape would be read into it; it gets one of its own.
            out += QStringLiteral("\\x") + QString::number(c.unicode(), 16);
            hexNow = true;
        } else {
            out += c;
        }
        hexBefore = hexNow;
    }
    return out + QLatin1Char('"');
}

}  // namespace tv
