#include "install/install_journal.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <tuple>
#include <utility>

#include "base/path.h"
#include "base/percent_escape.h"
#include "install/codec_registration.h"
#include "install/folders.h"
#include "install/restart_recovery.h"

namespace quenlo {
namespace {

using Kind = JournalEntry::Kind;
using platform::RegistryRoot;

constexpr std::string_view kLineEnd = "\r\n";
constexpr char kSeparator = '|';
constexpr const char* kVersionValue = "Version";
constexpr const char* kVersion = "1";

std::string BatchName(int number) { return "Batch" + std::to_string(number); }

// The fields of a line; the last one takes the rest of the line once `most` are there.
std::vector<std::string_view> Split(std::string_view line, std::size_t most) {
  std::vector<std::string_view> fields;
  while (fields.size() + 1 < most) {
    const std::size_t at = line.find(kSeparator);
    if (at == std::string_view::npos) break;
    fields.push_back(line.substr(0, at));
    line.remove_prefix(at + 1);
  }
  fields.push_back(line);
  return fields;
}

bool HoldsControlByte(std::string_view text) {
  return std::any_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

// A path the undo may act on: a full path with a drive (the journal names nothing else).
bool IsFullPath(std::string_view path) {
  return path.size() >= 3 && path[1] == ':' && path[2] == '\\' && !HoldsControlByte(path);
}

// A registry path or value name: text without a control byte or a separator.
bool IsRegistryName(std::string_view name) {
  return !HoldsControlByte(name) && name.find(kSeparator) == std::string_view::npos;
}

std::string Unescape(std::string_view text) {
  std::optional<std::string> plain = PercentUnescape(text);
  if (!plain) throw JournalError("the install journal holds a broken escape");
  return *plain;
}

constexpr std::pair<RegistryRoot, std::string_view> kRoots[] = {
    {RegistryRoot::ClassesRoot, "HKCR"},
    {RegistryRoot::CurrentUser, "HKCU"},
    {RegistryRoot::LocalMachine, "HKLM"},
};

std::string_view RootName(RegistryRoot root) {
  for (const auto& [value, name] : kRoots) {
    if (value == root) return name;
  }
  return "HKLM";
}

RegistryRoot ParseRoot(std::string_view name) {
  for (const auto& [value, text] : kRoots) {
    if (text == name) return value;
  }
  throw JournalError("the install journal names a registry root it does not know");
}

std::string FullPath(std::string_view field) {
  if (!IsFullPath(field)) throw JournalError("the install journal names a path that is not full");
  return std::string(field);
}

std::string RegistryName(std::string_view field) {
  if (!IsRegistryName(field)) throw JournalError("the install journal names a key it cannot");
  return std::string(field);
}

JournalEntry DecodeLine(std::string_view line) {
  const std::string_view kind = line.substr(0, line.find(kSeparator));
  const std::vector<std::string_view> f = Split(line, kind == "value" ? 6 : 5);
  const auto expect = [&](std::size_t count) {
    if (f.size() != count) throw JournalError("the install journal holds a line it does not know");
  };
  JournalEntry entry;
  if (kind == "commit") {
    expect(1);
    entry.kind = Kind::Commit;
  } else if (kind == "guard" || kind == "folder" || kind == "codec") {
    expect(2);
    entry.kind = kind == "guard" ? Kind::Guard : kind == "folder" ? Kind::Folder : Kind::Codec;
    entry.path = FullPath(f[1]);
  } else if (kind == "new") {
    expect(3);
    entry = JournalEntry::NewFile(FullPath(f[1]), FullPath(f[2]));
  } else if (kind == "replace") {
    expect(4);
    entry = JournalEntry::ReplacedFile(FullPath(f[1]), FullPath(f[2]), FullPath(f[3]));
  } else if (kind == "key") {
    expect(3);
    entry.kind = Kind::NewKey;
    entry.root = ParseRoot(f[1]);
    entry.path = RegistryName(f[2]);
  } else if (kind == "value") {
    if (f.size() == 5 && f[4] == "absent") {
      entry.before.reset();
    } else if (f.size() == 6 && f[4] == "text") {
      entry.before = Unescape(f[5]);
    } else {
      throw JournalError("the install journal holds a line it does not know");
    }
    entry.kind = Kind::Value;
    entry.root = ParseRoot(f[1]);
    entry.path = RegistryName(f[2]);
    entry.name = RegistryName(f[3]);
  } else {
    throw JournalError("the install journal holds a line it does not know");
  }
  return entry;
}

std::string EncodeLine(const JournalEntry& entry) {
  const std::string sep(1, kSeparator);
  switch (entry.kind) {
    case Kind::Guard:
      return "guard" + sep + entry.path;
    case Kind::Folder:
      return "folder" + sep + entry.path;
    case Kind::Codec:
      return "codec" + sep + entry.path;
    case Kind::NewFile:
      return "new" + sep + entry.path + sep + entry.temporary;
    case Kind::ReplacedFile:
      return "replace" + sep + entry.path + sep + entry.temporary + sep + entry.aside;
    case Kind::NewKey:
      return "key" + sep + std::string(RootName(entry.root)) + sep + entry.path;
    case Kind::Value:
      return "value" + sep + std::string(RootName(entry.root)) + sep + entry.path + sep +
             entry.name + sep +
             (entry.before ? "text" + sep + PercentEscape(*entry.before) : "absent");
    case Kind::Commit:
      break;
  }
  return "commit";
}

}  // namespace

std::string EncodeEntries(const std::vector<JournalEntry>& entries) {
  std::string text;
  for (const JournalEntry& entry : entries) {
    text += EncodeLine(entry);
    text += kLineEnd;
  }
  return text;
}

std::vector<JournalEntry> DecodeEntries(std::string_view text) {
  std::vector<JournalEntry> entries;
  while (!text.empty()) {
    const std::size_t end = text.find(kLineEnd);
    if (end == std::string_view::npos) throw JournalError("the install journal ends mid-line");
    entries.push_back(DecodeLine(text.substr(0, end)));
    text.remove_prefix(end + kLineEnd.size());
  }
  return entries;
}

std::vector<JournalEntry> AnnounceRegistryWrites(platform::Registry& registry,
                                                 const std::vector<RegistryWrite>& writes) {
  std::vector<JournalEntry> entries;
  std::set<std::pair<RegistryRoot, std::string>> missing;  // keys announced as new, upper-cased
  std::set<std::pair<RegistryRoot, std::string>> present;  // keys seen there, upper-cased
  std::set<std::tuple<RegistryRoot, std::string, std::string>> values;
  // Each key is opened once, for the look on the way and for its values alike: many writes share
  // their keys, and each opening is a call into the system.
  std::map<std::pair<RegistryRoot, std::string>, std::unique_ptr<platform::RegistryKey>> opened;
  const auto open = [&](RegistryRoot root, const std::string& path) -> platform::RegistryKey* {
    auto& key = opened[{root, UpperCaseAscii(path)}];
    if (!key) key = registry.Open(root, path, /*create=*/false);
    return key.get();
  };
  const auto underMissing = [&](RegistryRoot root, const std::string& upper) {
    return std::any_of(missing.begin(), missing.end(), [&](const auto& key) {
      return key.first == root && (upper == key.second || upper.starts_with(key.second + "\\"));
    });
  };
  for (const RegistryWrite& write : writes) {
    const std::string key = platform::TrimKeyPath(write.key);
    if (underMissing(write.root, UpperCaseAscii(key))) continue;
    // The outermost key on the way that is not there yet goes with all that will be made below.
    std::string missingKey;
    for (std::size_t at = 0; at != std::string::npos;) {
      at = key.find('\\', at + 1);
      const std::string prefix = key.substr(0, at);
      if (present.contains({write.root, UpperCaseAscii(prefix)})) continue;
      if (open(write.root, prefix) == nullptr) {
        missingKey = prefix;
        break;
      }
      present.insert({write.root, UpperCaseAscii(prefix)});
    }
    if (!missingKey.empty()) {
      missing.insert({write.root, UpperCaseAscii(missingKey)});
      entries.push_back(JournalEntry::NewKey(write.root, missingKey));
      continue;
    }
    if (!write.value ||
        !values.insert({write.root, UpperCaseAscii(key), UpperCaseAscii(*write.value)}).second) {
      continue;
    }
    platform::RegistryKey* const found = open(write.root, key);
    if (found == nullptr) {  // gone since it was seen: the write makes it anew
      entries.push_back(JournalEntry::NewKey(write.root, key));
      missing.insert({write.root, UpperCaseAscii(key)});
      continue;
    }
    const platform::RegistryValue held = found->Read(*write.value);
    if (held.kind == platform::RegistryValue::Kind::NotString) continue;
    entries.push_back(JournalEntry::Value(
        write.root, key, *write.value, held.IsString() ? std::optional(held.text) : std::nullopt));
  }
  return entries;
}

void InstallJournal::NoteOwnFolder(const std::string& folder) {
  std::lock_guard lock(mutex_);
  ownFolders_.insert(FolderKey(folder));
}

bool InstallJournal::IsOwnFolder(const std::string& folder) const {
  std::lock_guard lock(mutex_);
  return ownFolders_.contains(FolderKey(folder));
}

void InstallJournal::AddToFirstBatch(std::vector<JournalEntry> entries) {
  std::lock_guard lock(mutex_);
  for (const JournalEntry& entry : entries) {
    if (entry.kind == Kind::Folder) ownFolders_.insert(FolderKey(entry.path));
  }
  beforeFirst_.insert(beforeFirst_.end(), entries.begin(), entries.end());
}

void InstallJournal::Append(const std::vector<JournalEntry>& announced) {
  if (announced.empty()) return;
  std::lock_guard lock(mutex_);
  std::vector<JournalEntry> batch = std::move(beforeFirst_);
  beforeFirst_.clear();
  batch.insert(batch.end(), announced.begin(), announced.end());
  auto key = registry_.Open(platform::RegistryRoot::LocalMachine, kJournalKey, /*create=*/true);
  if (key && batches_ == 0) {
    // A journal left by an earlier run that could not be deleted is added to, never overwritten.
    while (key->Read(BatchName(batches_ + 1)).kind != platform::RegistryValue::Kind::Absent) {
      ++batches_;
    }
  }
  const std::string name = BatchName(batches_ + 1);
  if (!key || !key->WriteString(kVersionValue, kVersion) ||
      !key->WriteString(name, EncodeEntries(batch)) || !key->Flush()) {
    if (key) key->DeleteValue(name);  // a batch that may not be on the disk announces nothing
    if (batches_ == 0) beforeFirst_.assign(batch.begin(), batch.end() - announced.size());
    throw IoError(
        "cannot write the install journal (HKEY_LOCAL_MACHINE\\" + std::string(kJournalKey) + ")",
        "", IoProblem::AccessDenied, 0);
  }
  ++batches_;
  entries_.insert(entries_.end(), batch.begin(), batch.end());
}

std::vector<JournalEntry> InstallJournal::entries() const {
  std::lock_guard lock(mutex_);
  return entries_;
}

void InstallJournal::Remove() {
  std::lock_guard lock(mutex_);
  registry_.DeleteKey(platform::RegistryRoot::LocalMachine, kJournalKey);
  entries_.clear();
  batches_ = 0;
}

std::vector<JournalEntry> ReadJournal(platform::Registry& registry) {
  auto key = registry.Open(platform::RegistryRoot::LocalMachine, kJournalKey, /*create=*/false);
  if (!key) return {};
  const platform::RegistryValue version = key->Read(kVersionValue);
  if (version.IsString() && version.text != kVersion) {
    throw JournalError("the install journal is of version " + version.text);
  }
  std::vector<JournalEntry> entries;
  for (int number = 1;; ++number) {
    const platform::RegistryValue batch = key->Read(BatchName(number));
    if (batch.kind == platform::RegistryValue::Kind::Absent) break;
    if (!batch.IsString()) throw JournalError("a batch of the install journal is no text");
    std::vector<JournalEntry> more = DecodeEntries(batch.text);
    entries.insert(entries.end(), more.begin(), more.end());
  }
  return entries;
}

std::vector<std::string> DeleteMovedAside(platform::FileSystem& files,
                                          const std::vector<JournalEntry>& entries) {
  std::vector<std::string> leftForRestart;
  std::string guard;
  for (const JournalEntry& entry : entries) {
    if (entry.kind == Kind::Guard) guard = entry.path;
    if (entry.kind != Kind::ReplacedFile || !files.FileExists(entry.aside)) continue;
    if (!LinkedFolderOnTheWay(files, guard, entry.aside).empty()) continue;
    if (files.RemoveFile(entry.aside)) continue;
    if (files.RemoveFileAtRestart(entry.aside)) leftForRestart.push_back(entry.aside);
  }
  return leftForRestart;
}

bool UndoEntries(const UndoPlatform& platform, const std::vector<JournalEntry>& entries) {
  platform::FileSystem& files = platform.files;
  try {
    std::string guard;
    bool committed = false;
    for (const JournalEntry& entry : entries) {
      if (entry.kind == Kind::Guard) guard = entry.path;
      if (entry.kind == Kind::Commit) committed = true;
    }
    if (committed) {
      DeleteMovedAside(files, entries);
      return true;
    }

    bool complete = true;
    const auto remove = [&](const std::string& path) {
      if (files.FileExists(path) && !files.RemoveFile(path)) complete = false;
    };
    const auto behindLink = [&](const std::string& path) {
      return !LinkedFolderOnTheWay(files, guard, path).empty();
    };
    std::set<std::string> done;  // destinations a later entry gave back already (upper-cased)
    for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
      switch (entry->kind) {
        case Kind::Guard:
        case Kind::Commit:
          break;
        case Kind::Codec:
          if (platform.libraries == nullptr || behindLink(entry->path)) {
            complete = false;
          } else if (files.FileExists(entry->path)) {
            RegisterLibrary(*platform.libraries, entry->path, 0);
          }
          break;
        case Kind::NewKey:
          if (platform.registry == nullptr) {
            complete = false;
          } else if (!platform.registry->DeleteKey(entry->root, entry->path)) {
            complete = false;
          }
          break;
        case Kind::Value:
          if (platform.registry == nullptr) {
            complete = false;
          } else if (auto key = platform.registry->Open(entry->root, entry->path, false)) {
            if (!(entry->before ? key->WriteString(entry->name, *entry->before)
                                : key->DeleteValue(entry->name))) {
              complete = false;
            }
          }
          break;
        case Kind::Folder:
          // Only where empty: a folder that holds somebody else's files by now stays.
          if (behindLink(entry->path)) {
            complete = false;
          } else if (files.FolderExists(entry->path)) {
            files.RemoveFolder(entry->path);
          }
          break;
        case Kind::NewFile:
        case Kind::ReplacedFile:
          if (behindLink(entry->path)) {  // what lies behind a link is not the install's
            complete = false;
            break;
          }
          // A file made in its place (a link the shell writes) has no temporary of its own: there
          // the original is the path itself until it has been moved aside.
          if (!EqualsIgnoringCase(entry->temporary, entry->path)) remove(entry->temporary);
          if (!done.insert(UpperCaseAscii(entry->path)).second) break;
          if (entry->kind == Kind::NewFile) {
            remove(entry->path);
          } else if (files.FileExists(entry->aside)) {
            remove(entry->path);
            try {
              files.RenameFile(entry->aside, entry->path);
            } catch (const IoError&) {  // left under its temporary name: it cannot be put back
              complete = false;
            }
          }
          break;
      }
    }
    return complete;
  } catch (...) {
    return false;
  }
}

Recovery RecoverUnfinishedInstall(platform::FileSystem& files, platform::Registry& registry,
                                  platform::Libraries& libraries) {
  std::vector<JournalEntry> entries;
  try {
    entries = ReadJournal(registry);
  } catch (const JournalError&) {
    registry.DeleteKey(RegistryRoot::LocalMachine, kJournalKey);
    return Recovery::Unreadable;
  } catch (...) {
    return Recovery::Incomplete;
  }
  if (entries.empty()) {
    // A key without batches (cut off between its creation and its first batch) announced nothing.
    registry.DeleteKey(RegistryRoot::LocalMachine, kJournalKey);
    return Recovery::None;
  }
  const bool committed = entries.back().kind == Kind::Commit;  // always the last
  const bool complete = UndoEntries({files, &registry, &libraries}, entries);
  RemoveRecoveryAtRestart(files, registry);  // also where it is the copy that runs this
  registry.DeleteKey(RegistryRoot::LocalMachine, kJournalKey);
  if (committed) return Recovery::Finished;
  return complete ? Recovery::Undone : Recovery::Incomplete;
}

}  // namespace quenlo
