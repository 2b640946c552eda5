// The few operating-system services the renderer needs beyond standard C++: its arguments, where
// its own executable is, terminals, files by name, temporary files and stop signals.
// System_posix.cpp and System_windows.cpp implement them; the build compiles the one of its
// target. Every text here is UTF-8, arguments and file names alike, on every system (Windows
// would give and take them in its code page, which cannot name every file).
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace quendra::renderer::platform
{

// The arguments after the program's name.
std::vector<std::string> commandLineArguments(int argc, char** argv);

// std::fopen and std::remove, and a descriptor open for reading in binary mode (-1 with errno
// set when it cannot be).
std::FILE* openFile(const std::string& path, const char* mode);
int removeFile(const std::string& path);
int openForReading(const std::string& path);

// The running executable's file; empty when the system does not say.
std::filesystem::path executablePath();

// Whether the stream is an interactive terminal (console), and its width in columns (0 when
// unknown).
bool isTerminal(std::FILE* stream);
int terminalColumns(std::FILE* stream);

// Standard input and output carry audio bytes: no line-ending translation. A console shows
// the messages' UTF-8 as text.
void setUpStandardStreams();

// Creates a new file from `pattern`, whose last six characters are "XXXXXX" and are replaced,
// open for reading and writing in binary mode. Returns its descriptor, or -1 with errno set.
int makeTemporaryFile(std::string& pattern);

// Gives a new file the permissions of the file it replaces, or those a new file normally gets
// when `replaced` does not exist.
void matchPermissions(int descriptor, const std::string& replaced);

// Moves `from` over `to`, replacing a file there (a plain rename fails where one exists on
// Windows). Returns an empty string, or the reason it failed.
std::string replaceFile(const std::string& from, const std::string& to);

// Sends the signals that ask a render to stop (interrupt, terminate, hang-up where there is
// one) to `handler`; a closed pipe never kills the process.
void installStopHandlers(void (*handler)(int));

// "SIGINT" and the like, or "a signal".
const char* signalName(int signal);

} // namespace quendra::renderer::platform
