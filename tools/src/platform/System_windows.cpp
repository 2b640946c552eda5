#include "System.h"

#include <tessel/host/Utf8Path.h>

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <io.h>
#include <random>
#include <sys/stat.h>
#include <system_error>

namespace quendra::renderer::platform
{

namespace
{

std::wstring wide(const std::string& text)
{
    return tessel::host::pathFromUtf8(text).wstring();
}

std::string utf8(const wchar_t* text)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string converted(static_cast<std::size_t>(std::max(size, 1)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, converted.data(), size, nullptr, nullptr);
    converted.pop_back(); // the terminating null
    return converted;
}

} // namespace

std::vector<std::string> commandLineArguments(int, char**)
{
    // The narrow arguments are in the code page; the wide ones name any file.
    int count = 0;
    wchar_t** const arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> converted;
    for (int i = 1; arguments != nullptr && i < count; ++i)
    {
        converted.push_back(utf8(arguments[i]));
    }
    LocalFree(arguments);
    return converted;
}

std::FILE* openFile(const std::string& path, const char* mode)
{
    return _wfopen(wide(path).c_str(), wide(mode).c_str());
}

int removeFile(const std::string& path)
{
    return _wremove(wide(path).c_str());
}

int openForReading(const std::string& path)
{
    return _wopen(wide(path).c_str(), _O_RDONLY | _O_BINARY);
}

std::filesystem::path executablePath()
{
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;)
    {
        const DWORD length =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
        {
            return {};
        }
        if (length < buffer.size())
        {
            buffer.resize(length);
            return std::filesystem::path(buffer);
        }
        buffer.resize(buffer.size() * 2);
    }
}

bool isTerminal(std::FILE* stream)
{
    return _isatty(_fileno(stream)) != 0;
}

int terminalColumns(std::FILE* stream)
{
    const HANDLE console = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (console != INVALID_HANDLE_VALUE && GetConsoleScreenBufferInfo(console, &info))
    {
        return info.srWindow.Right - info.srWindow.Left + 1;
    }
    return 0;
}

void setUpStandardStreams()
{
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    SetConsoleOutputCP(CP_UTF8);
}

int makeTemporaryFile(std::string& pattern)
{
    // _O_EXCL makes the creation fail rather than open a file another process just made.
    constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device device;
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
    const std::size_t at = pattern.size() - 6;
    for (int attempt = 0; attempt < 100; ++attempt)
    {
        for (std::size_t i = at; i < pattern.size(); ++i)
        {
            pattern[i] = kLetters[pick(device)];
        }
        const int descriptor = _wopen(
            wide(pattern).c_str(), _O_RDWR | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
        if (descriptor >= 0 || errno != EEXIST)
        {
            return descriptor;
        }
    }
    return -1;
}

void matchPermissions(int, const std::string&)
{
    // A new file inherits its folder's access list, as the file it replaces did.
}

std::string replaceFile(const std::string& from, const std::string& to)
{
    if (MoveFileExW(wide(from).c_str(), wide(to).c_str(), MOVEFILE_REPLACE_EXISTING) != 0)
    {
        return {};
    }
    return std::system_category().message(static_cast<int>(GetLastError()));
}

void installStopHandlers(void (*handler)(int))
{
    // Ctrl+C, Ctrl+Break and the console closing; Windows has no SIGPIPE.
    for (const int signal : {SIGINT, SIGTERM, SIGBREAK})
    {
        std::signal(signal, handler);
    }
}

const char* signalName(int signal)
{
    switch (signal)
    {
    case SIGINT:
        return "SIGINT";
    case SIGTERM:
        return "SIGTERM";
    case SIGBREAK:
        return "SIGBREAK";
    default:
        return "a signal";
    }
}

} // namespace quendra::renderer::platform
