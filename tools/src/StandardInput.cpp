#include "StandardInput.h"

#include "StopSignal.h"
#include "ToolError.h"
#include "platform/System.h"

#include <tessel/host/Utf8Path.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <unistd.h>
#include <vector>

namespace quendra::renderer
{

StandardInputCopy::StandardInputCopy()
{
    if (platform::isTerminal(stdin))
    {
        throw usageError("standard input is a terminal; pipe audio into it or name a file");
    }
    std::string pattern =
        tessel::host::utf8FromPath(std::filesystem::temp_directory_path() / "sorvell-input.XXXXXX");
    const int descriptor = platform::makeTemporaryFile(pattern);
    if (descriptor < 0)
    {
        throw ToolError("cannot copy standard input: " + std::string(std::strerror(errno)));
    }
    mPath = pattern;
    std::vector<char> buffer(1 << 16);
    for (;;)
    {
        throwIfStopped();
        const ssize_t n = read(STDIN_FILENO, buffer.data(), buffer.size());
        if (n == 0)
        {
            break;
        }
        if (n < 0)
        {
            if (errno == EINTR)
            {
                continue;
            }
            const std::string reason = std::strerror(errno);
            close(descriptor);
            throw ToolError("cannot read standard input: " + reason);
        }
        for (ssize_t done = 0; done < n;)
        {
            const ssize_t written = write(descriptor, buffer.data() + done, n - done);
            if (written < 0 && errno != EINTR)
            {
                const std::string reason = std::strerror(errno);
                close(descriptor);
                throw ToolError("cannot copy standard input: " + reason);
            }
            done += written > 0 ? written : 0;
        }
    }
    close(descriptor);
}

StandardInputCopy::~StandardInputCopy()
{
    platform::removeFile(mPath);
}

} // namespace quendra::renderer
