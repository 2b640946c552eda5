// A one-line progress bar redrawn in place on a terminal stream: the bar, the share done, the
// audio time done, the speed (times real time) and the time left, fitted to the terminal's
// width. Disabled bars print nothing, so callers need not test. Nothing allocates after
// construction.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdio>

namespace quendra::renderer
{

class ProgressBar
{
public:
    // Enabled only when `enabled` is true and the stream is a terminal.
    ProgressBar(std::FILE* stream, bool enabled, double sampleRate);
    ~ProgressBar(); // ends an unfinished line

    void update(std::size_t done, std::size_t total);
    void finish();

private:
    int columns() const;

    std::FILE* mpStream;
    bool mEnabled;
    double mSampleRate;
    std::chrono::steady_clock::time_point mStart;
    std::chrono::steady_clock::time_point mShownAt;
    int mShownPermille = -1;
    bool mLineOpen = false;
};

} // namespace quendra::renderer
