// Path routines shared by every subsystem.
//
// Paths are GBK (code page 936) byte strings. Every routine here walks the string character by
// character (base/gbk.h), so a trail byte is never taken for a separator and never has its letter
// case changed.
#pragma once

#include <string>
#include <string_view>

#include "base/gbk.h"

namespace quenlo {

// Position of the last backslash or colon that is a character of its own, or npos.
std::size_t LastSeparator(std::string_view path);

// What follows the last backslash or colon ("App\Image\logo_s.ico" -> "logo_s.ico").
std::string FileNamePart(std::string_view path);

// Everything up to and including the last backslash or colon ("" when there is none).
std::string FolderPart(std::string_view path);

// The extension with its dot (".dll"), taken only when no backslash or colon follows the last
// dot; "" otherwise.
std::string ExtensionPart(std::string_view path);

// True when the last character (not a trail byte) is a backslash or a slash.
bool EndsWithPathSeparator(std::string_view path);

// True when the last character (not a trail byte) is a backslash.
bool EndsWithBackslash(std::string_view path);

// The path with one trailing backslash: unchanged when it ends in "\" or "/", "\" appended
// otherwise; an empty path stays empty.
std::string EnsureTrailingBackslash(std::string_view path);

// True when `a` and `b` name the same folder: ASCII letters compared without case, one trailing
// backslash either way ("C:\App" and "c:\app\").
bool IsSameFolder(std::string_view a, std::string_view b);

// A folder as a key that IsSameFolder holds equal: ASCII letters upper-cased, one trailing
// backslash ("c:\app" and "C:\App\" both give "C:\APP\").
std::string FolderKey(std::string_view folder);

// True when `path` lies below `folder`, at any depth (ASCII letters compared without case); never
// for an empty `folder`.
bool IsInsideFolder(std::string_view path, std::string_view folder);

// ASCII letters upper-cased in single-byte characters; trail bytes are left alone.
std::string UpperCaseAscii(std::string_view text);

// Equality with ASCII letters compared without regard to case (DBCS-aware).
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

// Replaces every occurrence of `pattern` (ASCII letters compared without case) that starts on a
// character boundary by `replacement`.
std::string ReplaceAllIgnoringCase(std::string_view text, std::string_view pattern,
                                   std::string_view replacement);

}  // namespace quenlo
