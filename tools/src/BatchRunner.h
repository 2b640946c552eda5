// Batches: several inputs rendered into one folder, each under its own name, up to N at a
// time. Every file is rendered in a child process of its own (its own host and engine), so a
// file that fails or crashes takes nothing else with it; the batch goes on and reports at the
// end. A signal is passed on to the running children. Allocates; throws ToolError.
#pragma once

#include "CommandLine.h"
#include "ToolError.h"

#include <functional>
#include <string>
#include <vector>

namespace quendra::renderer
{

struct BatchJob
{
    std::string input;
    std::string output;
};

// Renders one job; throws ToolError. `showProgress`: whether it may draw a progress bar.
using JobRenderer = std::function<void(const BatchJob&, bool showProgress)>;

// The output of every input of the request (folder / input name, with the extension of
// --type when given); two inputs of the same name are refused.
std::vector<BatchJob> batchJobs(const RenderRequest& request);

ExitStatus runBatch(const RenderRequest& request, const JobRenderer& renderJob);

} // namespace quendra::renderer
