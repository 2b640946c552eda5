#include "JobProcesses.h"

#include "../StopSignal.h"

#include <cstdio>

namespace quendra::renderer::platform
{

std::size_t runJobs(const std::vector<BatchJob>& jobs, int, bool showProgress,
                    const JobRenderer& renderJob)
{
    // Windows cannot fork; a job that fails still leaves the rest to go on.
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

} // namespace quendra::renderer::platform
