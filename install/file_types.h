// File types: the install step that makes the player the handler of the media extensions.
//
// For each extension, under HKEY_CLASSES_ROOT: the extension's default value names the player's
// ProgID ("Quenlo" + the extension, ".avi" -> "Quenlo.avi"), the handler it named before is kept
// in the extension's value "Quenlo.backup" (once: a backup is never overwritten), and the ProgID
// gets the player's icon and the verbs "Open" (play the file) and "Play" (add it to the play
// list). Every value is a REG_SZ string.
//
// A registry failure costs only the item it hits: a key that cannot be opened or created is
// skipped with its values, a value that cannot be written is skipped, and an extension whose
// default value or backup is not a string is left as it is. The step always runs to its end.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "install/install_journal.h"
#include "install/session.h"
#include "install/uninstall_record.h"
#include "platform/clock.h"
#include "platform/registry.h"

namespace quenlo {

// "Quenlo" + `extension`, the dot included.
std::string ProgIdOf(const std::string& extension);

// The extension's value that keeps the handler it named before the player took it over.
inline constexpr const char* kExtensionBackupValue = "Quenlo.backup";

// Points the extension's key (created when missing) at the player's ProgID, first keeping the
// handler it named in "Quenlo.backup" when that holds nothing yet and it is not the player's own
// ProgID. Returns what the key held, for the uninstall record; nothing when the extension was left
// alone.
std::optional<uninstall::ExtensionBefore> TakeOverExtension(const std::string& extension,
                                                            platform::Registry& registry);

// Writes the ProgID's keys, each created when missing, in this order: DefaultIcon (the icon
// "Image\logo_s.ico, 0" in InstallDir), Shell (left empty), Shell\Open and Shell\Play (the verb
// captions for UseChinese 1 or 2; none for another language code), and their Command keys (the
// player, "/o" or "/a" and "%1", each in double quotes).
void WriteProgIdKeys(const SetupSession& session, const std::string& extension,
                     platform::Registry& registry);

// Every key and value RegisterFileTypes may write, for the install journal to announce.
std::vector<RegistryWrite> FileTypeWrites(const SetupSession& session);

// TakeOverExtension, then WriteProgIdKeys; returns what TakeOverExtension found.
std::optional<uninstall::ExtensionBefore> AssociateExtension(const SetupSession& session,
                                                             const std::string& extension,
                                                             platform::Registry& registry);

// The step: its opening line and 100 ms; for each row of MediaExtensions a progress step, the
// association and 2 ms; its closing line and 100 ms. `taken` (if given) receives what each
// extension held before, once per extension (a row that stands twice counts at its first).
void RegisterFileTypes(SetupSession& session, platform::Clock& clock, platform::Registry& registry,
                       std::vector<uninstall::ExtensionBefore>* taken = nullptr);

}  // namespace quenlo
