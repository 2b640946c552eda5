#include "JobProcesses.h"

#include "../StopSignal.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace quendra::renderer::platform
{

namespace
{

// Windows cannot fork: a job runs in a new process of this program, started with this
// process's own command line (so it reads the same request and lists the same jobs) and this
// variable naming the one job it renders.
constexpr const char* kJobVariable = "SORVELL_BATCH_JOB";

struct Child
{
    HANDLE process;
    std::size_t job;
};

// Starts the renderer again for one job; null when it cannot start.
HANDLE startJob(std::size_t index)
{
    SetEnvironmentVariableA(kJobVariable, std::to_string(index).c_str());
    std::wstring commandLine = GetCommandLineW(); // the wide one names any file
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    const BOOL ok = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                   nullptr, &startup, &started);
    SetEnvironmentVariableA(kJobVariable, nullptr);
    if (!ok)
    {
        return nullptr;
    }
    CloseHandle(started.hThread);
    return started.hProcess;
}

std::size_t runSerially(const std::vector<BatchJob>& jobs, bool showProgress,
                        const JobRenderer& renderJob)
{
    std::size_t failed = 0;
    for (const auto& job : jobs)
    {
        if (stopSignal() != 0)
        {
            break;
        }
        failed += renderReporting(renderJob, job, showProgress) != 0 ? 1 : 0;
    }
    return failed;
}

} // namespace

std::size_t runJobs(const std::vector<BatchJob>& jobs, int parallel, bool showProgress,
                    const JobRenderer& renderJob)
{
    if (const char* index = std::getenv(kJobVariable))
    {
        // A job's own process: renders it and ends with its status.
        const auto job = static_cast<std::size_t>(std::strtoull(index, nullptr, 10));
        const int status = job < jobs.size() ? renderReporting(renderJob, jobs[job], false) : 2;
        std::fflush(nullptr);
        _exit(status);
    }
    if (parallel <= 1)
    {
        return runSerially(jobs, showProgress, renderJob);
    }

    // A console's Ctrl+C reaches every process on it: the running jobs stop by themselves.
    const std::size_t most = std::min<std::size_t>(parallel, MAXIMUM_WAIT_OBJECTS);
    std::vector<Child> running;
    std::size_t next = 0;
    std::size_t failed = 0;
    while (next < jobs.size() || !running.empty())
    {
        std::fflush(nullptr);
        while (stopSignal() == 0 && next < jobs.size() && running.size() < most)
        {
            if (HANDLE process = startJob(next))
            {
                running.push_back({process, next});
            }
            else
            {
                std::fprintf(stderr, "sorvell: %s: cannot start a render (error %lu)\n",
                             jobs[next].input.c_str(), GetLastError());
                ++failed;
            }
            ++next;
        }
        if (running.empty())
        {
            break;
        }
        std::vector<HANDLE> handles;
        for (const Child& child : running)
        {
            handles.push_back(child.process);
        }
        // Wakes now and then to see a stop signal, which starts nothing more.
        const DWORD woke =
            WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), FALSE, 100);
        if (woke >= WAIT_OBJECT_0 + handles.size())
        {
            continue;
        }
        const Child done = running[woke - WAIT_OBJECT_0];
        running.erase(running.begin() + (woke - WAIT_OBJECT_0));
        DWORD status = 1;
        GetExitCodeProcess(done.process, &status);
        CloseHandle(done.process);
        if (status != 0)
        {
            ++failed;
            if (status >= 0xC0000000u)
            {
                std::fprintf(stderr, "sorvell: %s: the render crashed (exception 0x%08lX)\n",
                             jobs[done.job].input.c_str(), status);
            }
        }
    }
    return failed;
}

} // namespace quendra::renderer::platform
