#include "System.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quendra::renderer::platform
{

std::vector<std::string> commandLineArguments(int argc, char** argv)
{
    return std::vector<std::string>(argv + 1, argv + argc);
}

std::FILE* openFile(const std::string& path, const char* mode)
{
    return std::fopen(path.c_str(), mode);
}

int removeFile(const std::string& path)
{
    return std::remove(path.c_str());
}

int openForReading(const std::string& path)
{
    return open(path.c_str(), O_RDONLY | O_CLOEXEC);
}

std::filesystem::path executablePath()
{
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : self;
}

bool isTerminal(std::FILE* stream)
{
    return isatty(fileno(stream)) != 0;
}

int terminalColumns(std::FILE* stream)
{
    winsize size{};
    if (ioctl(fileno(stream), TIOCGWINSZ, &size) == 0)
    {
        return size.ws_col;
    }
    return 0;
}

void setUpStandardStreams() {}

int makeTemporaryFile(std::string& pattern)
{
    return mkstemp(pattern.data());
}

void matchPermissions(int descriptor, const std::string& replaced)
{
    // mkstemp makes the file private.
    struct stat existing
    {
    };
    if (!replaced.empty() && stat(replaced.c_str(), &existing) == 0)
    {
        fchmod(descriptor, existing.st_mode & 07777);
    }
    else
    {
        const mode_t mask = umask(0);
        umask(mask);
        fchmod(descriptor, 0666 & ~mask);
    }
}

std::string replaceFile(const std::string& from, const std::string& to)
{
    return std::rename(from.c_str(), to.c_str()) == 0 ? std::string() : std::strerror(errno);
}

void installStopHandlers(void (*handler)(int))
{
    // No SA_RESTART: a batch parent waiting for its children wakes up to pass the signal on.
    struct sigaction action
    {
    };
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
    {
        sigaction(signal, &action, nullptr);
    }
    std::signal(SIGPIPE, SIG_IGN);
}

const char* signalName(int signal)
{
    switch (signal)
    {
    case SIGINT:
        return "SIGINT";
    case SIGTERM:
        return "SIGTERM";
    case SIGHUP:
        return "SIGHUP";
    default:
        return "a signal";
    }
}

} // namespace quendra::renderer::platform
