#pragma once

#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace bench {

// Runs this benchmark executable again with one argument and returns what
// it printed, or nothing when it could not start or did not end well (a
// crash, a failed exit): memory is measured in a child so that the parent's
// own heap does not count.
inline std::string ChildOutput(const char* self, const std::string& arg) {
    int fds[2];
    if (::pipe(fds) != 0) {
        return {};
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    char* argv[] = {const_cast<char*>(self), const_cast<char*>(arg.c_str()), nullptr};
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, self, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    char buf[128] = {};
    const ssize_t n = rc == 0 ? ::read(fds[0], buf, sizeof buf - 1) : -1;
    ::close(fds[0]);
    int status = -1;
    if (rc == 0 && ::waitpid(pid, &status, 0) != pid) {
        status = -1;
    }
    const bool ended = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return ended && n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
}

} // namespace bench
