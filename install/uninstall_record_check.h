// Which uninstall records the uninstaller may act on.
//
// The record lies in the installation folder, which a normal user may be able to write (a folder
// outside Program Files), and the uninstaller acts on it with administrator rights. So a record is
// used only when it is bound to the installation (its SHA-256 is what the install wrote into the
// uninstall entry under HKEY_LOCAL_MACHINE, which only administrators can change) and when every
// entry is one the install itself could have written; otherwise it is treated as damaged, whole.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "install/uninstall_record.h"
#include "platform/registry.h"

namespace quenlo::uninstall {

// Where the entries of the record of one installation may point.
struct RecordBounds {
  std::string installFolder;  // the folder the record lies in
  std::string desktopFolder;  // the user's desktop folder ("": none known)
};

// The first entry the install could not have written, in words; nothing when there is none.
// Every path must be canonical: a drive root "X:\", then components that are neither empty nor
// "." or "..", with no byte below 0x20 (a NUL would end the path early), no 0x7F, no ':' (an
// alternate data stream) and none of / * ? " < > |. Then:
// - the install-folder line names `bounds.installFolder`;
// - files lie inside it; codecs are among the files; created folders are it, inside it, or one
//   of the folders above it (never a drive root);
// - extensions are among the media extensions the install takes over;
// - the program group is a folder named as the install names it; links are the ".lnk" files the
//   install makes: the player's, the uninstaller's and the read-me's in the group, the player's on
//   the desktop;
// - texts (handlers, start pages) hold no byte below 0x20.
std::optional<std::string> RecordProblem(const UninstallRecord& record, const RecordBounds& bounds);

// The value of the uninstall entry that binds the record to the installation: the SHA-256 of the
// record's bytes, in hex.
inline constexpr const char* kRecordDigestValue = "RecordSha256";

// True when the uninstall entry exists and its digest is that of `recordBytes`.
bool RecordIsBound(platform::Registry& registry, std::string_view recordBytes);

}  // namespace quenlo::uninstall
