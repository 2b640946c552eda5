#include "BatchRunner.h"

#include "OutputFormat.h"
#include "StopSignal.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace quendra::renderer
{

namespace
{

int statusOf(const ToolError& error)
{
    return static_cast<int>(error.status());
}

// Runs in the child: renders, reports a failure, and leaves with its exit status.
[[noreturn]] void renderInChild(const JobRenderer& renderJob, const BatchJob& job,
                                bool showProgress)
{
    int status = 0;
    try
    {
        renderJob(job, showProgress);
    }
    catch (const ToolError& error)
    {
        status = statusOf(error);
        if (status <= 128) // the parent tells about a signal once
        {
            std::fprintf(stderr, "sorvell: %s\n", error.what());
        }
    }
    catch (const std::exception& error)
    {
        status = static_cast<int>(ExitStatus::Failure);
        std::fprintf(stderr, "sorvell: %s: %s\n", job.input.c_str(), error.what());
    }
    std::fflush(nullptr);
    _exit(status);
}

} // namespace

std::vector<BatchJob> batchJobs(const RenderRequest& request)
{
    const std::filesystem::path folder = request.outputPath;
    std::vector<BatchJob> jobs;
    std::set<std::string> outputs;
    for (const auto& input : request.inputPaths)
    {
        const std::filesystem::path path(input);
        const std::string name = request.type.empty()
                                     ? path.filename().string()
                                     : path.stem().string() + extensionForType(request.type);
        const std::string output = (folder / name).string();
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
    std::filesystem::create_directories(request.outputPath, error);
    if (!std::filesystem::is_directory(request.outputPath, error))
    {
        throw ToolError("cannot write into the folder '" + request.outputPath + "'");
    }

    const int parallel = request.jobs > 0
                             ? request.jobs
                             : std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    const bool showProgress = parallel == 1;
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
                renderInChild(renderJob, jobs[next], showProgress);
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

    throwIfStopped();
    if (failed > 0)
    {
        std::fprintf(stderr, "sorvell: %zu of %zu files failed\n", failed, jobs.size());
        return ExitStatus::Failure;
    }
    return ExitStatus::Ok;
}

} // namespace quendra::renderer
