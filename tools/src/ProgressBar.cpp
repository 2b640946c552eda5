#include "ProgressBar.h"

#include "platform/System.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace quendra::renderer
{

namespace
{
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);
constexpr int kMinimumBar = 10;
constexpr int kMaximumBar = 40;
constexpr int kFullTextWidth = 48;
} // namespace

ProgressBar::ProgressBar(std::FILE* stream, bool enabled, double sampleRate)
    : mpStream(stream), mEnabled(enabled && platform::isTerminal(stream)), mSampleRate(sampleRate),
      mStart(std::chrono::steady_clock::now())
{
}

ProgressBar::~ProgressBar()
{
    if (mLineOpen)
    {
        std::fputc('\n', mpStream);
    }
}

int ProgressBar::columns() const
{
    if (const int width = platform::terminalColumns(mpStream); width > 0)
    {
        return width;
    }
    const char* text = std::getenv("COLUMNS");
    const int columns = text != nullptr ? std::atoi(text) : 0;
    return columns > 0 ? columns : 80;
}

void ProgressBar::update(std::size_t done, std::size_t total)
{
    if (!mEnabled || total == 0)
    {
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    const int permille = static_cast<int>(done * 1000 / total);
    if (permille == mShownPermille || (now - mShownAt < kRedrawInterval && done < total))
    {
        return;
    }
    mShownPermille = permille;
    mShownAt = now;

    const double elapsed = std::chrono::duration<double>(now - mStart).count();
    const double audioDone = done / mSampleRate;
    const double speed = elapsed > 0.0 ? audioDone / elapsed : 0.0;
    char text[96];
    int length = std::snprintf(text, sizeof text, " %5.1f%%  %.1f/%.1f s", permille / 10.0,
                               audioDone, total / mSampleRate);
    if (speed > 0.0 && elapsed > 0.2)
    {
        const auto left = static_cast<long>(std::ceil((total - done) / mSampleRate / speed));
        length += std::snprintf(text + length, sizeof text - length, "  %.0fx  %ld:%02ld left",
                                speed, left / 60, left % 60);
    }

    // The line must never reach the last column: the terminal would wrap it.
    const int room = columns() - 1;
    // Room is kept for the speed and the time left before they are known, so that the bar
    // does not shrink when they appear.
    const int bar = std::min(kMaximumBar, room - std::max(length, kFullTextWidth) - 2);
    std::fputc('\r', mpStream);
    if (bar >= kMinimumBar)
    {
        char cells[kMaximumBar + 1];
        const int filled = permille * bar / 1000;
        for (int i = 0; i < bar; ++i)
        {
            cells[i] = i < filled ? '#' : '.';
        }
        cells[bar] = '\0';
        std::fprintf(mpStream, "[%s]", cells);
    }
    std::fprintf(mpStream, "%.*s\033[K", std::max(0, std::min(length, room)), text);
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
