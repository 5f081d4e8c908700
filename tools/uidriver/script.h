// Splitting a driver script line into words.
//
// Words are separated by blanks or tabs. A word may be quoted: "..." groups blanks and allows
// \" and \\ as escapes (any other backslash is kept, so "C:\Program Files\Quenlo" reads as a
// Windows path; one that ends in a backslash is written '...' or ends in \\); '...' takes
// everything literally up to the next single quote. Quoted and unquoted parts
// next to each other form one word. A line whose first word starts with # is a comment.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quenlo::uidriver {

// The words of one line; empty for a blank line or a comment. Throws DriverError for a quote
// that is not closed.
std::vector<std::string> SplitScriptLine(std::string_view line);

}  // namespace quenlo::uidriver
