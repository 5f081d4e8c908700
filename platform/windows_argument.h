// One argument of a Windows command line, quoted so that the C runtime's argument parser
// (CommandLineToArgvW) gives it back unchanged. Pure text work, built on every system.
#pragma once

#include <string>
#include <string_view>

namespace quenlo::platform {

// Quotes only when the argument is empty or holds a blank, tab or quote; backslashes are doubled
// only before a quote or the closing quote.
std::wstring QuoteWindowsArgument(std::wstring_view argument);

}  // namespace quenlo::platform
