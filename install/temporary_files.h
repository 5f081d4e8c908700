// RemoveTemporaryFiles: the last step of the install sequence. What the extraction wrote directly
// into the Windows system folder was needed only while the codecs registered; it is removed here.
#pragma once

#include "install/extracted_files.h"
#include "install/session.h"
#include "platform/clock.h"
#include "platform/file_system.h"

namespace quenlo {

// True for a file lying directly in the system folder (`systemRoot`, with its trailing
// backslash), not in a sub-folder of it: one the extraction wrote there only for the codecs.
bool IsTemporaryFile(const std::string& path, const std::string& systemRoot);

// One progress step per listed file; a listed file lying directly in the system folder (not in a
// sub-folder of it) that still exists gets a status line and is deleted (a failed delete is
// ignored). Ends with the two closing lines of the installation.
void RemoveTemporaryFiles(SetupSession& session, platform::FileSystem& files,
                          platform::Clock& clock, const ExtractedFiles& extracted);

// The same files deleted without a word or a pause: an install that ends by an error does not
// leave them either.
void DeleteTemporaryFiles(platform::FileSystem& files, const ExtractedFiles& extracted);

}  // namespace quenlo
