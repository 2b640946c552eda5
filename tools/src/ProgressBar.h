// A one-line progress bar redrawn in place on a terminal stream. Disabled bars print
// nothing, so callers need not test. Nothing allocates after construction.
#pragma once

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
    std::FILE* mpStream;
    bool mEnabled;
    double mSampleRate;
    int mShownPermille = -1;
    bool mLineOpen = false;
};

} // namespace quendra::renderer
