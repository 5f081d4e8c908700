// ExtractPayload: the first step of the install sequence. It walks the payload archive of the
// running setup file from its end, inflates every named record and writes it into the
// installation folder ("App\") or the Windows system folder ("Exe\"), publishing one status line
// and one progress step per record.
//
// Nothing is lost and nothing is half-written: a record that replaces a file streams from the
// setup file into a temporary file beside its destination, and only a complete stream whose
// Adler-32 checks out replaces the destination; a new file in a folder only administrators may
// change is written in its place, and goes again if its stream fails (see ChangeJournal). A file
// that is replaced is moved aside first (so a running program's file is replaced too) and deleted
// once the whole pass has succeeded. A pass that fails is undone as a whole (see ChangeJournal):
// the files it wrote are removed, the files it replaced are back, the folders it created are gone
// where empty, and ExtractedFiles stays empty.
//
// Three threads share the work: an inflater reads and inflates the records, a writer (see
// WriteBehind) puts the files in place, and the calling worker reports each record the inflater
// has passed and makes the pauses, so that the work hides behind them. Memory stays bounded by the
// writer's queue and the buffers of one record, whatever the payload's size.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "install/extracted_files.h"
#include "install/install_journal.h"
#include "install/session.h"
#include "platform/clock.h"
#include "platform/file_system.h"

namespace quenlo {

// Where a stored name goes: "App..." (exact case) has every "App\" (any case) replaced by the
// installation root, "Exe..." every "Exe\" by the system root; any other name is used unchanged
// (relative to the current folder). Both roots end in one backslash.
std::string MapRecordName(const std::string& name, const std::string& installRoot,
                          const std::string& systemRoot);

// What a pass that ended well wrote: each file with its inflated size and the Adler-32 its stream
// carried (checked against the content as it was inflated), and the folders it created.
struct ExtractionReport {
  struct File {
    std::string path;
    std::uint64_t size = 0;
    std::uint32_t adler32 = 1;
  };
  std::vector<File> files;                  // in the order written
  std::vector<std::string> createdFolders;  // outermost first
};

// Follows a pass from beside it (the codec registration that goes on during the extraction).
class ExtractionObserver {
 public:
  virtual ~ExtractionObserver() = default;
  // The files the pass will write, in order, once announced and before the first is written.
  virtual void Planned(const std::vector<std::string>& destinations) = 0;
  // A file is in its place; called on the writer's thread.
  virtual void InPlace(const std::string& destination) = 0;
  // The pass has failed and is about to be undone; its files are still in their places.
  virtual void BeforeUndo() noexcept = 0;
};

// Runs the whole pass. Throws archive::ArchiveError for a broken archive (including a name that
// would leave its folder or a stream that does not inflate) and IoError when the setup
// file cannot be read or a destination cannot be written or replaced; the pass is undone then.
// When it throws, `*undone` (if given) tells whether the undoing was complete. When it ends well,
// `*report` (if given) receives what it wrote. With `restrictWhatItCreates` (an installation
// outside Program Files) what it creates gets the administrators' access list (ChangeJournal).
// With a `journal`, every folder and file the pass will make is announced in it in one batch
// before the first is made, and the files it replaces stay aside until the install is complete
// (the install deletes them: DeleteMovedAside); without one, they go when the pass ends well.
// An `observer` hears of the plan, of each file put in place, and of a failure before its undo.
void ExtractPayload(SetupSession& session, platform::FileSystem& files, platform::Clock& clock,
                    const std::string& installDir, ExtractedFiles& extracted,
                    bool* undone = nullptr, ExtractionReport* report = nullptr,
                    bool restrictWhatItCreates = false, InstallJournal* journal = nullptr,
                    ExtractionObserver* observer = nullptr);

}  // namespace quenlo
