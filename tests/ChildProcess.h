#pragma once

#include <csignal>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>

namespace testing_support
{
    // What runInChild reports when the child did not finish in time.
    constexpr int childHung = 128 + SIGALRM;

    // Runs body in a forked child and returns the code it returned, or 128
    // plus the signal that ended it: a body that blocks is ended by an alarm
    // after the given seconds (childHung), so a hang fails the test instead
    // of stalling it. The child leaves with _exit, running no destructors, and
    // must report only through its code (gtest's checks stay in the parent).
    inline int runInChild (const std::function<int()>& body, unsigned seconds = 10)
    {
        const auto pid = fork();

        if (pid < 0)
            return -1;

        if (pid == 0)
        {
            alarm (seconds);
            _exit (body());
        }

        int status = 0;

        if (waitpid (pid, &status, 0) != pid)
            return -1;

        if (WIFSIGNALED (status))
            return 128 + WTERMSIG (status);

        return WEXITSTATUS (status);
    }
}
