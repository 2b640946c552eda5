#include "JobProcesses.h"

#include "../StopSignal.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <map>
#include <sys/wait.h>
#include <unistd.h>

namespace quendra::renderer::platform
{

std::size_t runJobs(const std::vector<BatchJob>& jobs, int parallel, bool showProgress,
                    const JobRenderer& renderJob)
{
    std::map<pid_t, std::size_t> running;
    std::size_t next = 0;
    std::size_t failed = 0;
    int forwarded = 0;
    while (next < jobs.size() || !running.empty())
    {
        while (stopSignal() == 0 && next < jobs.size() &&
               running.size() < static_cast<std::size_t>(parallel))
        {
            std::fflush(nullptr);
            const pid_t child = fork();
            if (child == 0)
            {
                const int status = renderReporting(renderJob, jobs[next], showProgress);
                std::fflush(nullptr);
                _exit(status);
            }
            if (child < 0)
            {
                std::fprintf(stderr, "sorvell: %s: cannot start a render: %s\n",
                             jobs[next].input.c_str(), std::strerror(errno));
                ++failed;
            }
            else
            {
                running[child] = next;
            }
            ++next;
        }
        if (stopSignal() != 0)
        {
            next = jobs.size(); // start nothing more
            if (forwarded != stopSignal())
            {
                forwarded = stopSignal();
                for (const auto& [child, index] : running)
                {
                    kill(child, forwarded);
                }
            }
        }
        if (running.empty())
        {
            break;
        }
        int status = 0;
        const pid_t child = waitpid(-1, &status, 0);
        if (child < 0)
        {
            if (errno == EINTR)
            {
                continue;
            }
            break;
        }
        const auto found = running.find(child);
        if (found == running.end())
        {
            continue;
        }
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        {
            ++failed;
            if (WIFSIGNALED(status))
            {
                std::fprintf(stderr, "sorvell: %s: the render crashed (signal %d)\n",
                             jobs[found->second].input.c_str(), WTERMSIG(status));
            }
        }
        running.erase(found);
    }

    return failed;
}

} // namespace quendra::renderer::platform
