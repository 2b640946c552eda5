#include "RenderSpool.h"

#include "StopSignal.h"
#include "ToolError.h"
#include "platform/System.h"

#include <tessel/host/Utf8Path.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <unistd.h>
#include <vector>

namespace quendra::renderer
{

namespace
{
constexpr std::size_t kChunkFrames = 16384;
}

RenderSpool::RenderSpool(const std::filesystem::path& folder, int channels) : mChannels(channels)
{
    std::string pattern = tessel::host::utf8FromPath(folder / ".sorvell-spool.XXXXXX");
    const int descriptor = platform::makeTemporaryFile(pattern);
    if (descriptor < 0)
    {
        throw ToolError("cannot make a temporary file in '" + tessel::host::utf8FromPath(folder) +
                        "': " + std::strerror(errno));
    }
    mPath = pattern;
    mpFile = fdopen(descriptor, "w+b");
    if (mpFile == nullptr)
    {
        close(descriptor);
        platform::removeFile(mPath);
        throw ToolError("cannot make a temporary file in '" + tessel::host::utf8FromPath(folder) +
                        "'");
    }
}

RenderSpool::~RenderSpool()
{
    std::fclose(mpFile);
    platform::removeFile(mPath);
}

void RenderSpool::write(const double* interleaved, std::size_t frames)
{
    float buffer[1024];
    std::size_t count = frames * static_cast<std::size_t>(mChannels);
    while (count > 0)
    {
        const std::size_t n = std::min<std::size_t>(count, std::size(buffer));
        for (std::size_t i = 0; i < n; ++i)
        {
            buffer[i] = static_cast<float>(interleaved[i]);
            mPeak = std::max(mPeak, std::abs(static_cast<double>(buffer[i])));
        }
        if (std::fwrite(buffer, sizeof(float), n, mpFile) != n)
        {
            throw ToolError("cannot write a temporary file: " + std::string(std::strerror(errno)));
        }
        interleaved += n;
        count -= n;
    }
}

void RenderSpool::replay(FrameSink& sink, double gain)
{
    if (std::fflush(mpFile) != 0 || std::fseek(mpFile, 0, SEEK_SET) != 0)
    {
        throw ToolError("cannot read back a temporary file: " + std::string(std::strerror(errno)));
    }
    const std::size_t frameFloats = static_cast<std::size_t>(mChannels);
    std::vector<float> in(kChunkFrames * frameFloats);
    std::vector<double> out(in.size());
    for (;;)
    {
        throwIfStopped();
        const std::size_t frames =
            std::fread(in.data(), sizeof(float) * frameFloats, kChunkFrames, mpFile);
        if (frames == 0)
        {
            break;
        }
        for (std::size_t i = 0; i < frames * frameFloats; ++i)
        {
            out[i] = static_cast<double>(in[i]) * gain;
        }
        sink.write(out.data(), frames);
    }
    if (std::ferror(mpFile))
    {
        throw ToolError("cannot read back a temporary file");
    }
}

} // namespace quendra::renderer
