// Text kept on a line of a record file: '%', control bytes and DEL written as '%' and two
// upper-case hex digits, so that no line break or other control byte hides inside.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quenlo {

// With `blanks`, a blank is escaped too (for a token that a blank ends).
std::string PercentEscape(std::string_view text, bool blanks = false);

// The text back; nothing when an escape is cut off or lacks two hex digits, or a control byte
// stands unescaped.
std::optional<std::string> PercentUnescape(std::string_view text);

}  // namespace quenlo
