// The display's horizontal axis: frequency on a log scale between two limits, mapped onto a
// span of pixels, with the note marks drawn on it (every C, and the A of each octave).
#pragma once

#include <string>
#include <vector>

namespace quendra::plugin::ui
{

struct NoteMark
{
    double hz;
    double x;
    std::string label; // e.g. "C4"; empty for a mark without text
    bool major;        // a C
};

class FrequencyAxis
{
public:
    FrequencyAxis(double lowHz, double highHz, double left, double right) noexcept;

    double x(double hz) const noexcept; // unclamped
    double hz(double x) const noexcept; // inverse of x()
    bool contains(double hz) const noexcept { return hz >= mLow && hz <= mHigh; }

    // Every C and A from the lowest to the highest in range, in ascending order.
    std::vector<NoteMark> noteMarks() const;

private:
    double mLow;
    double mHigh;
    double mLeft;
    double mRight;
};

} // namespace quendra::plugin::ui
