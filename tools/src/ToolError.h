// The one error type of the renderer: a message for the user and the exit status it maps to.
// Every failure ends as one line on stderr ("sorvell: " + message). Allocates (std::string).
#pragma once

#include <stdexcept>
#include <string>

namespace quendra::renderer
{

enum class ExitStatus : int
{
    Ok = 0,
    Failure = 1, // files, module, rendering
    Usage = 2,   // unknown option or attribute, bad value
    // 128 + N: stopped by signal N
};

class ToolError : public std::runtime_error
{
public:
    explicit ToolError(const std::string& message, ExitStatus status = ExitStatus::Failure)
        : std::runtime_error(message), mStatus(status)
    {
    }

    ExitStatus status() const noexcept { return mStatus; }

private:
    ExitStatus mStatus;
};

// An end with this status and nothing to say (main prints no message for it).
inline ToolError quietExit(ExitStatus status)
{
    return ToolError("", status);
}

// Shorthand for errors in what the user typed.
inline ToolError usageError(const std::string& message)
{
    return ToolError(message, ExitStatus::Usage);
}

} // namespace quendra::renderer
