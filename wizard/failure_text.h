// The installing page's words for an install that did not finish.
//
// A failure is told in the interface's language, for the user first: what to do about it (download
// the setup again, make room on the disk, close the program that holds a file), then whether the
// system is as it was before, then the technical detail (the step, the record or file, the
// system's error code), each on a line of its own.
#pragma once

#include <cstdint>
#include <string>

#include "install/session.h"

namespace quenlo::wizard {

// English for kLanguageEnglish, Chinese for every other code. Lines are separated by "\r".
std::string InstallFailureText(const InstallFailure& failure, std::int32_t language);

}  // namespace quenlo::wizard
