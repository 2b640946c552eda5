// Where the window's parts sit, in base units (the window is laid out at 1000 x 600 and drawn
// scaled): the header, the display, and the panel row of five control groups (pitch, body,
// unison, modulation, output), each with its knobs and its selector or toggle. Also which
// control a point falls on, and where a selector's segments lie. No drawing.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace quendra::plugin::ui
{

inline constexpr double kBaseWidth = 1000.0;
inline constexpr double kBaseHeight = 600.0;
inline constexpr double kHeaderHeight = 52.0;
inline constexpr double kPanelHeight = 178.0;
inline constexpr double kMargin = 14.0;

struct Box
{
    double x = 0, y = 0, w = 0, h = 0;
    bool contains(double px, double py) const
    {
        return px >= x && px < x + w && py >= y && py < y + h;
    }
};

enum class ControlKind
{
    knob,
    selector,
    toggle
};

struct Control
{
    std::size_t index; // the processor's parameter index
    ControlKind kind;
    Box box;
};

struct Group
{
    const char* title;
    double weight; // share of the panel row, in knob widths
    int selector;  // parameter index of the group's selector or toggle, or -1
    std::vector<std::size_t> knobs;
    Box box;
};

class ControlLayout
{
public:
    ControlLayout();

    // Lays the window out for a size in base units.
    void layOut(double width, double height);

    const Box& displayBox() const noexcept { return mDisplayBox; }
    const std::vector<Group>& groups() const noexcept { return mGroups; }
    const std::vector<Control>& controls() const noexcept { return mControls; }
    const Control* controlAt(double x, double y) const noexcept;

private:
    std::vector<Group> mGroups;
    std::vector<Control> mControls;
    Box mDisplayBox;
};

// A selector's options: their number and names.
std::size_t optionCount(std::size_t index);
std::string optionName(std::size_t index, std::size_t option);
// The x of each segment's edges (options + 1 of them): the segments share the selector's width
// by the length of their names.
std::vector<double> segmentEdges(const Control& control);

} // namespace quendra::plugin::ui
