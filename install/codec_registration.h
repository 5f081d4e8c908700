// Codec registration: the install step that calls the self-registration entry point of every
// codec and filter library the extraction wrote.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "install/extracted_files.h"
#include "install/session.h"
#include "platform/clock.h"
#include "platform/libraries.h"

namespace quenlo {

// True for a path that names a codec library: it contains "Codec" (letter case as written,
// anywhere in the path) and its extension is ".ax" or ".dll" (any letter case).
bool IsCodecLibrary(const std::string& path);

// How long one library's registration may take before it is given up. Registration code that
// works ends in well under a second; one that waits for something that never comes (a window, a
// device, a lock) would otherwise hold the install on its page for ever.
inline constexpr std::uint32_t kRegistrationTimeLimitMs = 20000;

// Loads the library at `path` and calls "DllRegisterServer" when `registerFlag` is 1,
// "DllUnregisterServer" otherwise. True only when the library loaded, exported the entry point,
// and the entry point returned a success code (not negative: S_FALSE counts). A fault that
// escapes the entry point counts as failure; the library is freed on every way out. A call that
// has not ended after kRegistrationTimeLimitMs is given up and counts as failure; its library
// stays loaded.
bool RegisterLibrary(platform::Libraries& libraries, const std::string& path, int registerFlag);
// RegisterLibrary's call, with how it ended; Registered tells whether that counts as done.
platform::EntryPointOutcome CallRegistration(platform::Libraries& libraries,
                                             const std::string& path, int registerFlag);
bool Registered(const platform::EntryPointOutcome& outcome);

// The step. For each entry of `extracted`, in order: one progress step, then, for a codec library
// that registers, the status line "正在注册解码器:   " + its file name and a 2 ms pause. Libraries
// that do not register are skipped silently. After the last entry the closing line and a 100 ms
// pause; an empty list publishes nothing and does not pause. `registered` (if given) receives the
// libraries that registered, in order. The libraries are registered in that order on a thread of
// their own, ahead of the lines: each one's loading and registering takes place during the pause
// after the line before it. A registration that throws ends the step with that exception, at the
// entry it belongs to.
void RegisterCodecs(SetupSession& session, platform::Clock& clock, platform::Libraries& libraries,
                    const ExtractedFiles& extracted,
                    std::vector<std::string>* registered = nullptr);

}  // namespace quenlo
