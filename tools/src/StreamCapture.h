// Captures what the process writes to its standard output and error streams (file
// descriptors 1 and 2) while the object lives, e.g. the messages a module prints while it
// registers its class, so that the renderer's own streams stay clean. Allocates; not for
// audio threads; not thread-safe (it swaps process-wide descriptors).
#pragma once

#include <cstdio>
#include <string>

namespace quendra::renderer
{

class StreamCapture
{
public:
    StreamCapture();
    ~StreamCapture(); // restores the streams if finish() was not called
    StreamCapture(const StreamCapture&) = delete;
    StreamCapture& operator=(const StreamCapture&) = delete;

    // Restores the streams and returns everything written meanwhile.
    std::string finish();

private:
    std::FILE* mpFile = nullptr;
    int mSavedOut = -1;
    int mSavedErr = -1;
};

} // namespace quendra::renderer
