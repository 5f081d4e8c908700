// The uninstall: what the uninstall record says the install changed is given back, as far as it
// is still the install's own.
//
// After the user's Yes: the codec libraries are unregistered (DllUnregisterServer, contained and
// bounded as their registration was); each extension gets back what it held before, unless its
// handler is no longer the player's; the player's ProgIDs go; the shortcuts go, and the program
// group when it is empty; the start page is put back if it is still the one the setup set; the
// application record and the uninstall entry go (when they still name this installation); the
// installed files go, unless the user changed them; the record goes; the folders the install
// created go where they are empty. Nothing is done through a folder inside the installation
// folder that is a link to another place (made there since, by whoever may write the folder):
// what lies behind it is kept. A file that cannot be deleted now (a running program holds
// it) is deleted at the next restart while the rest goes on. Then one notice.
//
// A missing or damaged record is said so, and nothing changes. A record counts as damaged unless
// it is bound to this installation and every entry is one the install could have written
// (install/uninstall_record_check.h): the folder it lies in may be writable by others. Every step
// looks at what is there now, so running the uninstall twice, or after a part was deleted by hand,
// does no harm.
#pragma once

#include <string>
#include <vector>

#include "install/uninstall_record.h"
#include "platform/file_system.h"
#include "platform/libraries.h"
#include "platform/message_box.h"
#include "platform/registry.h"
#include "platform/shell.h"

namespace quenlo::uninstall {

inline constexpr const char* kCaption = "提示信息";
inline constexpr const char* kQuestion =
    "您确定要从计算机中完全删除 Quenlo播放 v2.0 Tesmar版 及其所有组件吗？";
inline constexpr const char* kDoneNotice = "Quenlo播放 v2.0 Tesmar版 已从您的计算机中删除。";
inline constexpr const char* kKeptNotice = "您添加或修改过的文件没有删除，仍在文件夹：";
inline constexpr const char* kRestartNotice = "有些文件正在使用中，将在计算机重新启动后删除。";
inline constexpr const char* kMissingNotice =
    "找不到 Quenlo播放 的卸载记录，无法卸载。计算机上没有做任何更改。";
inline constexpr const char* kDamagedNotice =
    "Quenlo播放 的卸载记录已损坏，无法卸载。计算机上没有做任何更改。";

struct UninstallPlatform {
  platform::FileSystem& files;
  platform::Registry& registry;
  platform::Libraries& libraries;
  platform::MessageBoxes& boxes;
  platform::Shell& shell;  // the desktop folder, where the install made a link
};

struct UninstallResult {
  enum class Kind { Declined, NoRecord, Done };
  Kind kind = Kind::Declined;
  std::vector<std::string> keptFiles;       // installed files the user changed, kept
  std::vector<std::string> leftForRestart;  // deleted at the next restart
  // Folders the install created that are not empty yet (innermost first): the caller tries them
  // again once it has removed `self`.
  std::vector<std::string> foldersLeft;
};

// Gives back one extension as the record says it was before the install. Only while its handler
// is still the player's ProgID: then an extension key that the install created goes with all it
// holds; otherwise the handler it had before comes back (the record's, or, where the record
// names only the player's own ProgID, the one kept in "Quenlo.backup"; none: the default value
// goes), and "Quenlo.backup" goes. An extension whose handler is another's is left as it is.
void GiveBackExtension(platform::Registry& registry, const ExtensionBefore& before);

// The whole uninstall of the installation in `installFolder`, from its record there: the
// question, the undoing and the final notice (or the notice that the record is missing or
// damaged). `self` is the running uninstaller's own file: it is left alone here, since a running
// program cannot delete its own file; the caller removes it afterwards, then `foldersLeft`.
UninstallResult RunUninstall(const UninstallPlatform& platform, const std::string& installFolder,
                             const std::string& self);

// The words of the final notice for `result`.
std::string DoneNotice(const UninstallResult& result, const std::string& installFolder);

}  // namespace quenlo::uninstall
