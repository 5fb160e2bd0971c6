#include "platform/process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <thread>

extern char** environ;

pid_t PlatformProcessStart(const std::vector<std::string>& argv, int output_fd) {
  if (argv.empty() || argv[0].empty()) return -1;
  std::vector<char*> pointers;
  pointers.reserve(argv.size() + 1);
  for (const std::string& word : argv) pointers.push_back(const_cast<char*>(word.c_str()));
  pointers.push_back(nullptr);

  // Only the standard streams go to the child.
  posix_spawn_file_actions_t actions;
  if (posix_spawn_file_actions_init(&actions) != 0) return -1;
  if (output_fd >= 0) posix_spawn_file_actions_adddup2(&actions, output_fd, STDOUT_FILENO);
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  // The child starts with SIGPIPE at its default, whatever this process
  // does with it (ignoring it would be inherited).
  posix_spawnattr_t attributes;
  if (posix_spawnattr_init(&attributes) != 0) {
    posix_spawn_file_actions_destroy(&actions);
    return -1;
  }
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
  pid_t pid = -1;
  const int result = posix_spawnp(&pid, pointers[0], &actions, &attributes, pointers.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  return result == 0 ? pid : -1;
}

uint32_t PlatformProcessWait(pid_t pid) {
  int status = 0;
  pid_t done;
  do {
    done = waitpid(pid, &status, 0);
  } while (done < 0 && errno == EINTR);
  if (done != pid) return 0;
  if (WIFEXITED(status)) return static_cast<uint32_t>(WEXITSTATUS(status));
  if (WIFSIGNALED(status)) return 128u + static_cast<uint32_t>(WTERMSIG(status));
  return 0;
}

void PlatformProcessDetach(pid_t pid) {
  // A small thread waits for the child alone; waiting for any child instead
  // (a SIGCHLD handler) would take the exit status of children that other
  // code waits for.
  try {
    std::thread([pid] { PlatformProcessWait(pid); }).detach();
  } catch (const std::system_error&) {
    // No thread to be had: the child stays unreaped until the process ends,
    // which costs one process-table entry and nothing else.
  }
}
