// An attribute that changes over the render: breakpoints (seconds, value) with movement
// between them and the last value held after the last. Pitch and time (frequency, decay)
// glide in equal ratios, so that a sweep moves evenly in pitch; other floating-point
// attributes move linearly, integer attributes round the line to whole numbers and
// enumerations step at each breakpoint. Allocates when built;
// valueAt() allocates nothing.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace quendra::renderer
{

struct Breakpoint
{
    double seconds = 0.0;
    double value = 0.0;
};

enum class TrackShape
{
    Linear,    // floating-point attributes
    Geometric, // logarithmic attributes (positive values): equal ratios in equal times
    Rounded,   // whole numbers: the line rounded to the nearest
    Stepped    // enumerations: each value holds until the next breakpoint
};

struct AttributeTrack
{
    std::string name;
    TrackShape shape = TrackShape::Linear;
    std::vector<Breakpoint> points; // at least one; times rising

    double valueAt(double seconds) const;
};

// True when an option's value is a breakpoint list rather than one value ("0:110 5:220").
bool isBreakpointList(const std::string& text);

// "0:110 2.5:A3, 5:110" -> {{0, "110"}, {2.5, "A3"}, {5, "110"}}: pairs apart by spaces or
// commas, times (seconds, or with a unit: "500ms", "2s") from 0 up and never falling. Throws
// ToolError (usage) naming `spelling`.
std::vector<std::pair<double, std::string>> splitBreakpoints(const std::string& text,
                                                             const std::string& spelling);

} // namespace quendra::renderer
