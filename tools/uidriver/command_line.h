// Building what CreateProcessW takes: the command line from separate arguments, and an
// environment block from the driver's own environment with some variables set.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quenlo::uidriver {

// One argument quoted so that the C runtime's argument parser (CommandLineToArgvW) gives it back
// unchanged: quotes only when it is empty or holds a blank, tab or quote; backslashes doubled
// only before a quote or the closing quote.
std::wstring QuoteArgument(std::wstring_view argument);

// The program followed by its quoted arguments, separated by single blanks.
std::wstring BuildCommandLine(std::wstring_view program,
                              const std::vector<std::wstring>& arguments);

// An environment block (NAME=value strings, each ended by NUL, the block by a second NUL).
// `base` is the environment to start from; each "NAME=value" of `overrides` replaces the variable
// of that name (names compared without regard to ASCII case) or adds it. Entries that start with
// '=' (the per-drive current folders) are kept first; the rest is sorted by name without regard
// to case, as Windows expects.
std::wstring BuildEnvironmentBlock(const std::vector<std::wstring>& base,
                                   const std::vector<std::wstring>& overrides);

// Splits an environment block back into its strings.
std::vector<std::wstring> SplitEnvironmentBlock(const wchar_t* block);

}  // namespace quenlo::uidriver
