#include "AttributeTrack.h"

#include "QuantityText.h"
#include "ToolError.h"

#include <cmath>

namespace quendra::renderer
{

double AttributeTrack::valueAt(double seconds) const
{
    if (seconds <= points.front().seconds)
    {
        return points.front().value;
    }
    for (std::size_t i = 1; i < points.size(); ++i)
    {
        const Breakpoint& from = points[i - 1];
        const Breakpoint& to = points[i];
        if (seconds < to.seconds)
        {
            if (shape == TrackShape::Stepped)
            {
                return from.value;
            }
            const double position = (seconds - from.seconds) / (to.seconds - from.seconds);
            if (shape == TrackShape::Geometric && from.value > 0.0 && to.value > 0.0)
            {
                return from.value * std::pow(to.value / from.value, position);
            }
            const double value = from.value + (to.value - from.value) * position;
            return shape == TrackShape::Rounded ? std::round(value) : value;
        }
    }
    return points.back().value;
}

bool isBreakpointList(const std::string& text)
{
    return text.find(':') != std::string::npos;
}

std::vector<std::pair<double, std::string>> splitBreakpoints(const std::string& text,
                                                             const std::string& spelling)
{
    const auto bad = [&](const std::string& why)
    {
        return usageError("bad value '" + text + "' for " + spelling + " (" + why +
                          "; breakpoints are SECONDS:VALUE pairs apart by spaces, e.g. "
                          "\"0:110 2.5:220\")");
    };
    std::vector<std::pair<double, std::string>> points;
    std::size_t at = 0;
    while (at < text.size())
    {
        const auto start = text.find_first_not_of(" \t,", at);
        if (start == std::string::npos)
        {
            break;
        }
        auto end = text.find_first_of(" \t,", start);
        end = end == std::string::npos ? text.size() : end;
        const std::string pair = text.substr(start, end - start);
        at = end;

        const auto colon = pair.find(':');
        const auto seconds = colon == std::string::npos
                                 ? std::nullopt
                                 : readQuantity(pair.substr(0, colon), Quantity::Time).value;
        if (!seconds || colon + 1 == pair.size())
        {
            throw bad("'" + pair + "' is not SECONDS:VALUE");
        }
        if (*seconds < 0.0 || (!points.empty() && *seconds < points.back().first))
        {
            throw bad("times must start at 0 or later and never fall");
        }
        points.emplace_back(*seconds, pair.substr(colon + 1));
    }
    if (points.empty())
    {
        throw bad("no breakpoints");
    }
    return points;
}

} // namespace quendra::renderer
