// The notifier's markup escaping of a notification body (app names come from the processes).
#include "FuzzRoot.h"
#include "core/MarkupEscape.h"

namespace {

// Reads the output back the way a markup-reading server would: every '&' must open one of
// the three entities the escaping writes, and '<' or '>' must not appear raw at all.
// Returns false when the output holds anything else.
bool unescape(std::string_view markup, std::string& text) {
    static constexpr std::pair<std::string_view, char> entities[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}};
    text.clear();
    for (std::size_t i = 0; i < markup.size();) {
        char c = markup[i];
        if (c == '<' || c == '>') {
            return false;
        }
        if (c != '&') {
            text += c;
            ++i;
            continue;
        }
        bool known = false;
        for (const auto& [entity, plain] : entities) {
            if (markup.substr(i, entity.size()) == entity) {
                text += plain;
                i += entity.size();
                known = true;
                break;
            }
        }
        if (!known) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input = tv::fuzz::asText(data, size);
    std::string escaped = tv::escapeMarkup(input);
    if (tv::fuzz::validUtf8(input)) {
        tv::fuzz::check(tv::fuzz::validUtf8(escaped), "valid UTF-8 stays valid");
    }
    std::string back;
    tv::fuzz::check(unescape(escaped, back), "no raw '<', '>' or '&' outside its own entities");
    tv::fuzz::check(back == input, "unescaping gives back the input");
    return 0;
}
