// Runs the jobs of a batch. Where the system can fork (JobProcesses_posix.cpp) every job runs
// in a child process of its own, up to `parallel` at a time, and stop signals are passed on to
// the running children; on Windows (JobProcesses_windows.cpp) the jobs run one after another in
// this process. Prints each failure; returns how many jobs failed.
#pragma once

#include "../BatchRunner.h"

#include <cstddef>
#include <vector>

namespace quendra::renderer::platform
{

std::size_t runJobs(const std::vector<BatchJob>& jobs, int parallel, bool showProgress,
                    const JobRenderer& renderJob);

// Renders one job; prints why it failed. Returns the job's exit status.
int renderReporting(const JobRenderer& renderJob, const BatchJob& job, bool showProgress);

} // namespace quendra::renderer::platform
