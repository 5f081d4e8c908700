#include "install/install_sequence.h"

#include <optional>
#include <thread>

#include "archive/archive_reader.h"
#include "base/path.h"
#include "install/app_record.h"
#include "install/codec_registration.h"
#include "install/early_codec_registration.h"
#include "install/extraction.h"
#include "install/file_types.h"
#include "install/folders.h"
#include "install/install_journal.h"
#include "install/restart_recovery.h"
#include "install/status_lines.h"
#include "install/temporary_files.h"
#include "install/uninstall_entry.h"

namespace quenlo {
namespace {

FailureCause CauseOf(IoProblem problem) {
  switch (problem) {
    case IoProblem::DiskFull:
      return FailureCause::DiskFull;
    case IoProblem::InUse:
      return FailureCause::FileInUse;
    case IoProblem::AccessDenied:
      return FailureCause::AccessDenied;
    case IoProblem::LinkedFolder:
      return FailureCause::LinkedFolder;
    case IoProblem::Other:
      break;
  }
  return FailureCause::Other;
}

// Runs one step; an error leaving it is described after the step.
template <typename Step>
void RunStep(InstallStep stepName, Step&& step) {
  try {
    step();
  } catch (...) {
    throw InstallStepError(DescribeFailure(stepName, std::current_exception()));
  }
}

// What the sequence changed, for the uninstall record. The system-folder files were temporary and
// are gone again.
void NoteInstall(uninstall::UninstallRecord& record, platform::FileSystem& files,
                 const std::string& installDir, bool createdInstallDir,
                 const ExtractionReport& report, std::vector<std::string>& codecs,
                 std::vector<uninstall::ExtensionBefore>& types) {
  const std::string systemRoot = EnsureTrailingBackslash(files.SystemFolder());
  record.installFolder = installDir;
  if (createdInstallDir) record.createdFolders.push_back(installDir);
  record.createdFolders.insert(record.createdFolders.end(), report.createdFolders.begin(),
                               report.createdFolders.end());
  for (const ExtractionReport::File& file : report.files) {
    if (IsTemporaryFile(file.path, systemRoot)) continue;
    record.files.push_back({file.path, file.size, file.adler32});
  }
  record.codecs = std::move(codecs);
  record.extensions = std::move(types);
}

}  // namespace

void PrepareRecovery(platform::FileSystem& files, platform::Registry& registry,
                     InstallJournal& journal) {
  journal.BeginOnce([&] {
    try {
      PrepareRecoveryAtRestart(files, registry, journal, files.ModulePath());
    } catch (const IoError&) {  // the next start of the setup finishes a cut-off install too
    } catch (const archive::ArchiveError&) {
    }
  });
}

void CompleteInstall(platform::FileSystem& files, platform::Registry& registry,
                     InstallJournal& journal) {
  try {
    journal.Append({JournalEntry::Commit()});
  } catch (...) {  // the install stands either way; the next start finds it undone
  }
  DeleteMovedAside(files, journal.entries());
  RemoveRecoveryAtRestart(files, registry);
  journal.Remove();
}

InstallFailure DescribeFailure(InstallStep step, const std::exception_ptr& error) {
  InstallFailure failure;
  failure.step = step;
  try {
    std::rethrow_exception(error);
  } catch (const archive::ArchiveError& archive) {
    failure.cause = FailureCause::DamagedSetupFile;
    failure.record = archive.record();
    failure.offset = archive.offset();
    failure.message = archive.what();
  } catch (const IoError& io) {
    failure.cause = CauseOf(io.problem());
    failure.file = io.path();
    failure.systemError = io.systemError();
    failure.message = io.what();
  } catch (const std::exception& other) {
    failure.message = other.what();
  } catch (...) {
    failure.message = "unknown error";
  }
  return failure;
}

void RunInstallSequence(SetupSession& session, const InstallPlatform& platform,
                        const std::string& installDir) {
  platform::FileSystem& files = platform.files;
  if (platform.check != nullptr) {
    // Normally the check is done long before; on a slow disk the user is told what is waited for.
    if (!platform.check->Done()) session.Status.PublishStatus(kCheckingLine);
    const PayloadCheck::Verdict& verdict = platform.check->Wait();
    if (!verdict.sound) {
      InstallFailure failure = DescribeFailure(InstallStep::CheckPayload, verdict.fault);
      failure.undone = true;  // nothing was changed
      throw InstallStepError(std::move(failure));
    }
  }

  // What the install changes is announced in the install journal before it is made, so that an
  // install cut off at any moment is given back by the next start of the setup.
  std::optional<InstallJournal> ownJournal;
  if (platform.journal == nullptr) ownJournal.emplace(platform.registry);
  InstallJournal& journal = platform.journal != nullptr ? *platform.journal : *ownJournal;
  PrepareRecovery(files, platform.registry, journal);  // once, whoever changes something first
  // A step that fails has the whole install undone from the journal, as the next start would
  // undo it had the process been cut off; true when everything was given back.
  const auto giveBack = [&] {
    const bool complete =
        UndoEntries({files, &platform.registry, &platform.libraries}, journal.entries());
    RemoveRecoveryAtRestart(files, platform.registry);
    journal.Remove();
    return complete;
  };
  const auto failed = [&](InstallStep step, bool undone) {
    InstallFailure failure = DescribeFailure(step, std::current_exception());
    failure.undone = undone;
    return InstallStepError(std::move(failure));
  };
  bool createdInstallDir = false;
  if (!files.FolderExists(installDir)) {
    try {
      journal.Append({JournalEntry::Folder(installDir)});
    } catch (...) {
      throw failed(InstallStep::Extract, giveBack());
    }
    createdInstallDir = files.CreateFolder(installDir);
    if (createdInstallDir) journal.NoteOwnFolder(installDir);
  }
  // Outside Program Files nothing stops other users from changing what the install creates, the
  // codec libraries that run with administrator rights among it: it gets an access list that does.
  const bool restrict = !IsInProgramFiles(platform.registry, installDir);
  if (createdInstallDir&& restrict) files.RestrictToAdministrators(installDir);
  ExtractedFiles extracted;
  ExtractionReport report;
  bool undone = false;
  std::optional<EarlyCodecRegistration> earlyCodecs;
  if (platform.registerCodecsEarly) {
    earlyCodecs.emplace(platform.libraries, journal, files.SystemFolder());
  }
  try {
    ExtractPayload(session, files, platform.clock, installDir, extracted, &undone, &report,
                   restrict, &journal, earlyCodecs ? &*earlyCodecs : nullptr);
  } catch (...) {
    // The pass has undone itself; the rest of the journal (the installation folder, the copy
    // for the restart) goes the same way.
    const bool complete = giveBack() && undone;
    throw failed(InstallStep::Extract,
                 complete && !(createdInstallDir && files.FolderExists(installDir)));
  }
  // Runs one step after announcing what it will change.
  const auto announcedStep = [&](InstallStep step, const auto& announce, const auto& run) {
    try {
      journal.Append(announce());
      run();
    } catch (...) {
      throw failed(step, giveBack());
    }
  };

  std::vector<std::string> codecs;
  std::vector<uninstall::ExtensionBefore> types;
  if (earlyCodecs) {
    // Announced folder by folder as they registered.
    announcedStep(
        InstallStep::RegisterCodecs, [] { return std::vector<JournalEntry>{}; },
        [&] {
          codecs = earlyCodecs->Finish(extracted);
          session.Status.PublishStatus(kCodecsDone);
        });
  } else {
    announcedStep(
        InstallStep::RegisterCodecs,
        [&] {
          std::vector<JournalEntry> batch;
          for (const std::string& path : extracted.paths()) {
            if (IsCodecLibrary(path)) batch.push_back(JournalEntry::Codec(path));
          }
          return batch;
        },
        [&] { RegisterCodecs(session, platform.clock, platform.libraries, extracted, &codecs); });
  }
  announcedStep(
      InstallStep::RegisterFileTypes,
      [&] { return AnnounceRegistryWrites(platform.registry, FileTypeWrites(session)); },
      [&] { RegisterFileTypes(session, platform.clock, platform.registry, &types); });
  announcedStep(
      InstallStep::WriteAppRecord,
      [&] {
        std::vector<RegistryWrite> writes;
        for (const auto& [name, text] : AppRecordValues(session)) {
          writes.push_back({kAppRecordRoot, kAppRecordKey, name});
        }
        return AnnounceRegistryWrites(platform.registry, writes);
      },
      [&] { WriteAppRecord(session, platform.clock, platform.registry); });
  // The install is complete once the temporary copies are gone: from the commit on nothing is
  // undone, and the originals the files replaced go.
  // (With the caller's journal, the caller completes the install after its own steps.)
  const auto commit = [&] {
    if (ownJournal) CompleteInstall(files, platform.registry, journal);
  };
  try {
    RunStep(InstallStep::RemoveTemporaryFiles,
            [&] { RemoveTemporaryFiles(session, platform.files, platform.clock, extracted); });
  } catch (...) {  // the install is in place; only temporary copies may be left
    commit();
    throw;
  }
  commit();
  if (platform.record != nullptr) {
    NoteInstall(*platform.record, files, installDir, createdInstallDir, report, codecs, types);
  }
}

void TInstallAndReg::Execute(SetupSession& session, const InstallPlatform& platform) {
  session.Status.SetInstallFinished(false);
  try {
    RunInstallSequence(session, platform, session.InstallDir);
  } catch (const InstallStepError& error) {
    session.Status.PublishFailure(error.failure());
    return;
  } catch (...) {
    session.Status.PublishFailure(DescribeFailure(InstallStep::Extract, std::current_exception()));
    return;
  }
  session.Status.SetInstallFinished(true);
}

void TInstallAndReg::Start(SetupSession& session, const InstallPlatform& platform) {
  std::thread([&session, platform] { Execute(session, platform); }).detach();
}

}  // namespace quenlo
