#include "ProgressBar.h"

#include <unistd.h>

namespace quendra::renderer
{

namespace
{
constexpr int kWidth = 32;
}

ProgressBar::ProgressBar(std::FILE* stream, bool enabled, double sampleRate)
    : mpStream(stream), mEnabled(enabled && isatty(fileno(stream)) != 0), mSampleRate(sampleRate)
{
}

ProgressBar::~ProgressBar()
{
    if (mLineOpen)
    {
        std::fputc('\n', mpStream);
    }
}

void ProgressBar::update(std::size_t done, std::size_t total)
{
    if (!mEnabled || total == 0)
    {
        return;
    }
    const int permille = static_cast<int>(done * 1000 / total);
    if (permille == mShownPermille)
    {
        return;
    }
    mShownPermille = permille;

    char bar[kWidth + 1];
    const int filled = permille * kWidth / 1000;
    for (int i = 0; i < kWidth; ++i)
    {
        bar[i] = i < filled ? '#' : '.';
    }
    bar[kWidth] = '\0';
    std::fprintf(mpStream, "\r[%s] %5.1f%%  %.1f / %.1f s", bar, permille / 10.0,
                 done / mSampleRate, total / mSampleRate);
    std::fflush(mpStream);
    mLineOpen = true;
}

void ProgressBar::finish()
{
    if (mLineOpen)
    {
        std::fputc('\n', mpStream);
        std::fflush(mpStream);
        mLineOpen = false;
    }
}

} // namespace quendra::renderer
