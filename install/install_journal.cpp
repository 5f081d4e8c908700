#include "install/install_journal.h"

#include <set>
#include <utility>

#include "base/path.h"
#include "install/folders.h"

namespace quenlo {
namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr char kSeparator = '|';
constexpr const char* kVersionValue = "Version";
constexpr const char* kVersion = "1";

struct KindName {
  JournalEntry::Kind kind;
  std::string_view name;
  std::size_t fields;  // after the name
};
constexpr KindName kKinds[] = {
    {JournalEntry::Kind::Guard, "guard", 1},   {JournalEntry::Kind::Folder, "folder", 1},
    {JournalEntry::Kind::NewFile, "new", 2},   {JournalEntry::Kind::ReplacedFile, "replace", 3},
    {JournalEntry::Kind::Commit, "commit", 0},
};

std::string BatchName(int number) { return "Batch" + std::to_string(number); }

std::vector<std::string_view> Split(std::string_view line) {
  std::vector<std::string_view> fields;
  for (;;) {
    const std::size_t at = line.find(kSeparator);
    fields.push_back(line.substr(0, at));
    if (at == std::string_view::npos) return fields;
    line.remove_prefix(at + 1);
  }
}

bool HoldsControlByte(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) < 0x20) return true;
  }
  return false;
}

// A path the undo may act on: a full path with a drive (the journal names nothing else).
bool IsFullPath(std::string_view path) {
  return path.size() >= 3 && path[1] == ':' && path[2] == '\\' && !HoldsControlByte(path);
}

}  // namespace

std::string EncodeEntries(const std::vector<JournalEntry>& entries) {
  std::string text;
  for (const JournalEntry& entry : entries) {
    for (const KindName& kind : kKinds) {
      if (kind.kind != entry.kind) continue;
      text += kind.name;
      const std::string* fields[] = {&entry.path, &entry.temporary, &entry.aside};
      for (std::size_t i = 0; i < kind.fields; ++i) {
        text += kSeparator;
        text += *fields[i];
      }
    }
    text += kLineEnd;
  }
  return text;
}

std::vector<JournalEntry> DecodeEntries(std::string_view text) {
  std::vector<JournalEntry> entries;
  while (!text.empty()) {
    const std::size_t end = text.find(kLineEnd);
    if (end == std::string_view::npos) throw JournalError("the install journal ends mid-line");
    const std::vector<std::string_view> fields = Split(text.substr(0, end));
    text.remove_prefix(end + kLineEnd.size());
    const KindName* kind = nullptr;
    for (const KindName& candidate : kKinds) {
      if (candidate.name == fields[0]) kind = &candidate;
    }
    if (kind == nullptr || fields.size() != kind->fields + 1) {
      throw JournalError("the install journal holds a line it does not know");
    }
    JournalEntry entry{kind->kind, {}, {}, {}};
    std::string* targets[] = {&entry.path, &entry.temporary, &entry.aside};
    for (std::size_t i = 0; i < kind->fields; ++i) {
      if (!IsFullPath(fields[i + 1])) {
        throw JournalError("the install journal names a path that is not a full one");
      }
      *targets[i] = std::string(fields[i + 1]);
    }
    entries.push_back(std::move(entry));
  }
  return entries;
}

void InstallJournal::Append(const std::vector<JournalEntry>& batch) {
  if (batch.empty()) return;
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
    throw IoError("cannot write the install journal (HKEY_LOCAL_MACHINE\\" +
                      std::string(kJournalKey) + ")",
                  "", IoProblem::AccessDenied, 0);
  }
  ++batches_;
  entries_.insert(entries_.end(), batch.begin(), batch.end());
}

void InstallJournal::Remove() {
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
    if (entry.kind == JournalEntry::Kind::Guard) guard = entry.path;
    if (entry.kind != JournalEntry::Kind::ReplacedFile || !files.FileExists(entry.aside)) continue;
    if (!LinkedFolderOnTheWay(files, guard, entry.aside).empty()) continue;
    if (files.RemoveFile(entry.aside)) continue;
    if (files.RemoveFileAtRestart(entry.aside)) leftForRestart.push_back(entry.aside);
  }
  return leftForRestart;
}

bool UndoEntries(platform::FileSystem& files, const std::vector<JournalEntry>& entries) {
  try {
    std::string guard;
    bool committed = false;
    for (const JournalEntry& entry : entries) {
      if (entry.kind == JournalEntry::Kind::Guard) guard = entry.path;
      if (entry.kind == JournalEntry::Kind::Commit) committed = true;
    }
    if (committed) {
      DeleteMovedAside(files, entries);
      return true;
    }

    bool complete = true;
    const auto remove = [&](const std::string& path) {
      if (files.FileExists(path) && !files.RemoveFile(path)) complete = false;
    };
    std::set<std::string> done;  // destinations a later entry gave back already (upper-cased)
    for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
      if (entry->kind == JournalEntry::Kind::Guard || entry->kind == JournalEntry::Kind::Commit) {
        continue;
      }
      if (!LinkedFolderOnTheWay(files, guard, entry->path).empty()) {
        complete = false;  // what lies behind a link is not the install's
        continue;
      }
      if (entry->kind == JournalEntry::Kind::Folder) {
        // Only where empty: a folder that holds somebody else's files by now stays.
        if (files.FolderExists(entry->path)) files.RemoveFolder(entry->path);
        continue;
      }
      remove(entry->temporary);
      if (!done.insert(UpperCaseAscii(entry->path)).second) continue;
      if (entry->kind == JournalEntry::Kind::NewFile) {
        remove(entry->path);
      } else if (files.FileExists(entry->aside)) {
        remove(entry->path);
        try {
          files.RenameFile(entry->aside, entry->path);
        } catch (const IoError&) {  // left under its temporary name: it cannot be put back
          complete = false;
        }
      }
    }
    return complete;
  } catch (...) {
    return false;
  }
}

Recovery RecoverUnfinishedInstall(platform::FileSystem& files, platform::Registry& registry) {
  std::vector<JournalEntry> entries;
  try {
    entries = ReadJournal(registry);
  } catch (const JournalError&) {
    registry.DeleteKey(platform::RegistryRoot::LocalMachine, kJournalKey);
    return Recovery::Unreadable;
  } catch (...) {
    return Recovery::Incomplete;
  }
  if (entries.empty()) {
    // A key without batches (cut off between its creation and its first batch) announced nothing.
    registry.DeleteKey(platform::RegistryRoot::LocalMachine, kJournalKey);
    return Recovery::None;
  }
  const bool committed = entries.back().kind == JournalEntry::Kind::Commit;  // always the last
  const bool complete = UndoEntries(files, entries);
  registry.DeleteKey(platform::RegistryRoot::LocalMachine, kJournalKey);
  if (committed) return Recovery::Finished;
  return complete ? Recovery::Undone : Recovery::Incomplete;
}

}  // namespace quenlo
