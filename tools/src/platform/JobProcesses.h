// Runs the jobs of a batch, each in a child process of its own, up to `parallel` at a time: a
// fork where the system has one (JobProcesses_posix.cpp, stop signals passed on to the
// children), a new process of this program on Windows (JobProcesses_windows.cpp, where one job
// at a time runs in this process). Prints each failure; returns how many jobs failed.
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
