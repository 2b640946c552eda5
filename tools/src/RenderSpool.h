// A finished render kept on disk instead of in memory, so that it can be scaled once its
// peak is known (--normalize): raw 32-bit float frames in a hidden temporary file, removed
// when the spool goes. The engine computes in single precision, so nothing is lost.
// Allocates; throws ToolError.
#pragma once

#include "AudioFile.h"

#include <cstdio>
#include <filesystem>
#include <string>

namespace quendra::renderer
{

class RenderSpool final : public FrameSink
{
public:
    RenderSpool(const std::filesystem::path& folder, int channels);
    ~RenderSpool() override;
    RenderSpool(const RenderSpool&) = delete;
    RenderSpool& operator=(const RenderSpool&) = delete;

    void write(const double* interleaved, std::size_t frames) override;
    double peak() const { return mPeak; }

    // Every frame again, times `gain`, into `sink`. Stops (throws) on a signal.
    void replay(FrameSink& sink, double gain);

private:
    std::string mPath;
    std::FILE* mpFile = nullptr;
    int mChannels;
    double mPeak = 0.0;
};

} // namespace quendra::renderer
