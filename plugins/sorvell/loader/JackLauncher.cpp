// The JACK app users start: picks one of the app's two builds and runs it in its own place, with
// the arguments as given. The build with window needs the display libraries (Cairo, X11) and a
// display it can open; without one it would still run the audio, but the framework's attempt at
// the window fills the terminal with errors. So where no display can be used (a headless rig,
// an SSH session) the build without window runs instead. This file links no display library:
// it stays usable on machines that have none.
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <initializer_list>
#include <limits.h>
#include <unistd.h>

namespace
{

// The builds, in a private directory under the prefix the launcher is installed in (in the
// build tree the same layout: bin/ and lib/sorvell-jack/).
constexpr const char* kAppDirectory = "../lib/sorvell-jack/";
constexpr const char* kAppWithWindow = "sorvell-jack-with-window";
constexpr const char* kAppWithoutWindow = "sorvell-jack-without-window";

// Null when the display can be used; otherwise why not. Opens the display once, as the window
// would, and closes it again.
const char* displayProblem() noexcept
{
    const char* const display = std::getenv("DISPLAY");
    if (display == nullptr || display[0] == '\0')
    {
        return "DISPLAY is not set";
    }
    void* const x11 = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
    void* const cairo = dlopen("libcairo.so.2", RTLD_NOW | RTLD_LOCAL);
    const char* problem = nullptr;
    if (x11 == nullptr || cairo == nullptr)
    {
        problem = "the display libraries cannot be loaded";
    }
    else
    {
        using OpenDisplay = void* (*)(const char*);
        using CloseDisplay = int (*)(void*);
        const auto open = reinterpret_cast<OpenDisplay>(dlsym(x11, "XOpenDisplay"));
        const auto close = reinterpret_cast<CloseDisplay>(dlsym(x11, "XCloseDisplay"));
        void* const connection = open != nullptr && close != nullptr ? open(nullptr) : nullptr;
        if (connection == nullptr)
        {
            problem = "the display cannot be opened";
        }
        else
        {
            close(connection);
        }
    }
    for (void* const library : {cairo, x11})
    {
        if (library != nullptr)
        {
            dlclose(library);
        }
    }
    return problem;
}

// The launcher's own directory with a trailing '/'; false when the system does not say.
bool launcherDirectory(char (&directory)[PATH_MAX]) noexcept
{
    const ssize_t length = readlink("/proc/self/exe", directory, sizeof directory - 1);
    if (length <= 0)
    {
        return false;
    }
    directory[length] = '\0';
    for (ssize_t i = length - 1; i >= 0; --i)
    {
        if (directory[i] == '/')
        {
            directory[i + 1] = '\0';
            return true;
        }
    }
    return false;
}

} // namespace

int main(int, char* argv[])
{
    char directory[PATH_MAX];
    if (!launcherDirectory(directory))
    {
        std::fprintf(stderr, "Sorvell: cannot find the directory of %s\n", argv[0]);
        return 1;
    }
    const char* const problem = displayProblem();
    const char* const order[] = {problem == nullptr ? kAppWithWindow : kAppWithoutWindow,
                                 problem == nullptr ? kAppWithoutWindow : kAppWithWindow};
    for (const char* const app : order)
    {
        char path[PATH_MAX];
        if (std::snprintf(path, sizeof path, "%s%s%s", directory, kAppDirectory, app) >=
                int(sizeof path) ||
            access(path, X_OK) != 0)
        {
            continue;
        }
        if (app == kAppWithoutWindow)
        {
            std::fprintf(stderr, "Sorvell: no window (%s); running the app without it\n",
                         problem != nullptr ? problem : "the app with window is not installed");
        }
        execv(path, argv);
        std::perror(path);
    }
    std::fprintf(stderr, "Sorvell: no JACK app in %s%s (%s or %s)\n", directory, kAppDirectory,
                 kAppWithWindow, kAppWithoutWindow);
    return 1;
}
