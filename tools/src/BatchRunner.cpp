#include "BatchRunner.h"

#include "OutputFormat.h"
#include "StopSignal.h"
#include "platform/JobProcesses.h"

#include <tessel/host/Utf8Path.h>

#include <cstdio>
#include <filesystem>
#include <set>
#include <thread>

namespace quendra::renderer
{

int platform::renderReporting(const JobRenderer& renderJob, const BatchJob& job, bool showProgress)
{
    try
    {
        renderJob(job, showProgress);
        return 0;
    }
    catch (const ToolError& error)
    {
        const int status = static_cast<int>(error.status());
        if (status <= 128) // a signal is told once, for the whole batch
        {
            std::fprintf(stderr, "sorvell: %s\n", error.what());
        }
        return status;
    }
    catch (const std::exception& error)
    {
        std::fprintf(stderr, "sorvell: %s: %s\n", job.input.c_str(), error.what());
        return static_cast<int>(ExitStatus::Failure);
    }
}

std::vector<BatchJob> batchJobs(const RenderRequest& request)
{
    using tessel::host::pathFromUtf8;
    using tessel::host::utf8FromPath;
    const std::filesystem::path folder = pathFromUtf8(request.outputPath);
    std::vector<BatchJob> jobs;
    std::set<std::string> outputs;
    for (const auto& input : request.inputPaths)
    {
        const std::filesystem::path path = pathFromUtf8(input);
        const std::filesystem::path name =
            request.type.empty() ? path.filename()
                                 : path.stem() += pathFromUtf8(extensionForType(request.type));
        const std::string output = utf8FromPath(folder / name);
        if (!outputs.insert(output).second)
        {
            throw usageError("two inputs would both be written to '" + output +
                             "'; render them into different folders");
        }
        jobs.push_back({input, output});
    }
    return jobs;
}

ExitStatus runBatch(const RenderRequest& request, const JobRenderer& renderJob)
{
    const std::vector<BatchJob> jobs = batchJobs(request);
    // Every output's format is known before anything is rendered.
    for (const auto& job : jobs)
    {
        chooseOutputFormat(job.output, request.type, request.bits);
    }
    std::error_code error;
    const std::filesystem::path folder = tessel::host::pathFromUtf8(request.outputPath);
    std::filesystem::create_directories(folder, error);
    if (!std::filesystem::is_directory(folder, error))
    {
        throw ToolError("cannot write into the folder '" + request.outputPath + "'");
    }

    const int parallel = request.jobs > 0
                             ? request.jobs
                             : std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    const bool showProgress = parallel == 1;
    const std::size_t failed = platform::runJobs(jobs, parallel, showProgress, renderJob);
    throwIfStopped();
    if (failed > 0)
    {
        std::fprintf(stderr, "sorvell: %zu of %zu files failed\n", failed, jobs.size());
        return ExitStatus::Failure;
    }
    return ExitStatus::Ok;
}

} // namespace quendra::renderer
