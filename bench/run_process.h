// Runs a program to its end with its output thrown away, for benchmarks of
// whole processes.
#pragma once

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <initializer_list>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char** environ;

// Marks the benchmark failed unless the program exits with one of `statuses`.
inline void runProcess(benchmark::State& state, std::vector<std::string> args,
                       std::initializer_list<int> statuses = {0}) {
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    int status = 0;
    bool ok = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0 &&
              ::waitpid(pid, &status, 0) == pid && WIFEXITED(status);
    if (ok) {
        ok = false;
        for (const int expected : statuses)
            ok = ok || WEXITSTATUS(status) == expected;
    }
    if (!ok)
        state.SkipWithError("the process failed");
    posix_spawn_file_actions_destroy(&actions);
}
