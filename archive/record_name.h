// Rules for the names stored in payload records.
//
// A stored name is a relative path "App\..." (installation folder) or "Exe\..." (system folder)
// with single backslashes between its components. The reader maps names to destinations; these
// checks keep a name from reaching outside its destination root.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quenlo::archive {

// Why a name would leave the folder it is mapped into (a ".." component, a drive letter or
// colon, a leading backslash or slash, a slash used as a separator); nothing if it is safe.
std::optional<std::string> EscapeProblem(std::string_view name);

// Why the packer cannot store a name: empty, over 255 bytes, not under "App\" or "Exe\", an
// empty, "." or ".." component, or any EscapeProblem. Nothing if the name is fine.
std::optional<std::string> StorableNameProblem(std::string_view name);

}  // namespace quenlo::archive
