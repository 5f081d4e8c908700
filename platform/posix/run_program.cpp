#include "platform/run_program.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace quenlo::platform {

ProgramRun RunProgram(const std::filesystem::path& program,
                      const std::vector<std::filesystem::path>& arguments) {
  ProgramRun run;
  int pipeEnds[2];
  if (pipe2(pipeEnds, O_CLOEXEC) != 0) return run;

  std::vector<std::string> texts{program.native()};
  for (const std::filesystem::path& argument : arguments) texts.push_back(argument.native());
  std::vector<char*> argv;
  for (std::string& text : texts) argv.push_back(text.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 2);
  pid_t child = 0;
  const int spawned =
      posix_spawnp(&child, texts[0].c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeEnds[1]);
  if (spawned != 0) {
    close(pipeEnds[0]);
    return run;
  }

  char buffer[4096];
  for (;;) {
    const ssize_t got = read(pipeEnds[0], buffer, sizeof buffer);
    if (got > 0) {
      run.output.append(buffer, static_cast<std::size_t>(got));
    } else if (got == 0 || errno != EINTR) {
      break;
    }
  }
  close(pipeEnds[0]);

  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  // posix_spawnp of a program it cannot execute still forks; the child then exits with 127.
  run.started = !(WIFEXITED(status) && WEXITSTATUS(status) == 127 && run.output.empty());
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

}  // namespace quenlo::platform
