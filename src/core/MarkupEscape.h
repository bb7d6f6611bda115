#pragma once

#include <string>
#include <string_view>

namespace tv {

// `text` made safe as the body of a notification whose server reads markup: every '&', '<'
// and '>' becomes "&amp;", "&lt;" or "&gt;", and nothing else changes, so an app named
// "A&B <beta>" is shown as named instead of being taken for markup. The three characters are
// ASCII and never occur inside a multi-byte UTF-8 sequence, so valid UTF-8 stays valid.
std::string escapeMarkup(std::string_view text);

}  // namespace tv
