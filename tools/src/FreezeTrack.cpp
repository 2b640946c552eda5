#include "FreezeTrack.h"

#include "ToolError.h"

#include <algorithm>
#include <cctype>
#include <optional>

namespace quendra::renderer
{

namespace
{

std::optional<double> switchValue(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (text == "1" || text == "on")
    {
        return 1.0;
    }
    if (text == "0" || text == "off")
    {
        return 0.0;
    }
    return std::nullopt;
}

double valueOf(const std::string& text, const std::string& whole)
{
    if (const auto value = switchValue(text))
    {
        return *value;
    }
    throw usageError("bad value '" + whole + "' for --freeze (expected 1 or on, 0 or off, or " +
                     "breakpoints such as \"2:1 6:0\")");
}

} // namespace

AttributeTrack parseFreezeTrack(const std::string& text)
{
    AttributeTrack track{kFreezeName, TrackShape::Stepped, {}};
    if (!isBreakpointList(text))
    {
        track.points.push_back({0.0, valueOf(text, text)});
        return track;
    }
    for (const auto& [seconds, value] : splitBreakpoints(text, "--freeze"))
    {
        // Off until the first breakpoint ("2:1 6:0" engages at 2 s).
        if (track.points.empty() && seconds > 0.0)
        {
            track.points.push_back({0.0, 0.0});
        }
        track.points.push_back({seconds, valueOf(value, text)});
    }
    return track;
}

bool engagesFreeze(const AttributeTrack& track)
{
    return std::any_of(track.points.begin(), track.points.end(),
                       [](const Breakpoint& point) { return point.value != 0.0; });
}

} // namespace quendra::renderer
