// Text and names between GBK (code page 936), the file system's own names and the console.
//
// Record names are GBK bytes. The file system names files natively: UTF-8 bytes on Linux, UTF-16
// on Windows. The console shows text in its own encoding: UTF-8 on Linux; on Windows the console's
// output code page (the ANSI code page when there is no console). Every message a tool prints
// goes through GbkToConsole or NativeNameToConsole.
//
// Conversions of names are exact: a name converts only when every character has an encoding on
// the other side that converts back to the same character; nothing is approximated.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quenlo::platform {

// The GBK bytes of a native name (one component or a relative path; separators are converted as
// any other character). Nothing when a character has no exact GBK encoding or the native name is
// not valid text (a Linux name that is not UTF-8, a lone surrogate on Windows).
std::optional<std::string> NativeNameToGbk(const std::filesystem::path& name);

// The native name for GBK bytes. Nothing when the bytes are not valid GBK text.
std::optional<std::filesystem::path> GbkToNativeName(std::string_view gbk);

// GBK text for the console. Control characters and bytes that are not GBK show as "<XX>" (hex);
// characters the console cannot show become "?". Never fails.
std::string GbkToConsole(std::string_view gbk);

// A native name for the console, under the same rules as GbkToConsole.
std::string NativeNameToConsole(const std::filesystem::path& name);

// The command-line arguments after the program name, as native names (on Windows taken from the
// wide command line, so no character is lost to the ANSI code page).
std::vector<std::filesystem::path> NativeArguments(int argc, char** argv);

// True when standard error is a terminal (a console window on Windows), so that a progress line
// drawn with "\r" shows as one updating line instead of filling a log.
bool StderrIsTerminal();

}  // namespace quenlo::platform
