// The setup process's own settings: what it sets for itself before anything else runs, and how
// it ends.
#pragma once

#include <string>

namespace quenlo::win32 {

// Run first thing in main, before anything loads a library:
// - the system shows no error boxes of its own (no "no disk in drive" box when the folder checks
//   ask an empty card reader, no box for a library that fails to load);
// - libraries are never searched for in the setup program's own folder (say, a Downloads folder
//   where anybody may have put a file of a system library's or a codec's dependency's name) or
//   in the current folder: the default search is the system folder only where the system has
//   that setting, and without the current folder elsewhere.
void PrepareProcess();

// Ends the process with `exitCode`, as returning from main would. When a library call was given
// up (backend.h), the process ends at once instead, without the exit handlers and the libraries'
// detach notifications: those take the loader and heap locks, which the abandoned call may hold
// for ever.
[[noreturn]] void EndProcess(int exitCode);

// The running program's own file, as the system names it (UTF-16, of any length); empty when
// the system does not say.
std::wstring OwnProgramFile();

// The whole command line the process was started with, program name first, as the system keeps
// it (UTF-16).
std::wstring OwnCommandLine();

// COM for the calling thread (a single-threaded apartment) while the object lives, for a program
// that makes shell links without the application object (which initialises COM itself).
class ThreadCom {
 public:
  ThreadCom();
  ~ThreadCom();
  ThreadCom(const ThreadCom&) = delete;
  ThreadCom& operator=(const ThreadCom&) = delete;

 private:
  bool initialized_;
};

}  // namespace quenlo::win32
