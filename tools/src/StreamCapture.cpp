#include "StreamCapture.h"

#include <iostream>
#include <unistd.h>

namespace quendra::renderer
{

namespace
{
void flushAll()
{
    std::cout.flush();
    std::cerr.flush();
    std::fflush(stdout);
    std::fflush(stderr);
}
} // namespace

StreamCapture::StreamCapture()
{
    mpFile = std::tmpfile();
    if (mpFile == nullptr)
    {
        return; // nothing captured then; the text goes where it would have gone
    }
    flushAll();
    mSavedOut = dup(STDOUT_FILENO);
    mSavedErr = dup(STDERR_FILENO);
    dup2(fileno(mpFile), STDOUT_FILENO);
    dup2(fileno(mpFile), STDERR_FILENO);
}

StreamCapture::~StreamCapture()
{
    finish();
}

std::string StreamCapture::finish()
{
    if (mpFile == nullptr)
    {
        return {};
    }
    flushAll();
    if (mSavedOut >= 0)
    {
        dup2(mSavedOut, STDOUT_FILENO);
        close(mSavedOut);
    }
    if (mSavedErr >= 0)
    {
        dup2(mSavedErr, STDERR_FILENO);
        close(mSavedErr);
    }
    std::string text;
    std::rewind(mpFile);
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, mpFile)) > 0;)
    {
        text.append(buffer, n);
    }
    std::fclose(mpFile);
    mpFile = nullptr;
    return text;
}

} // namespace quendra::renderer
