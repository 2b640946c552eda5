#include "FrequencyAxis.h"

#include <cmath>
#include <utility>

namespace quendra::plugin::ui
{

FrequencyAxis::FrequencyAxis(double lowHz, double highHz, double left, double right) noexcept
    : mLow(lowHz), mHigh(highHz), mLeft(left), mRight(right)
{
}

double FrequencyAxis::x(double hz) const noexcept
{
    return mLeft + (mRight - mLeft) * std::log(hz / mLow) / std::log(mHigh / mLow);
}

double FrequencyAxis::hz(double x) const noexcept
{
    return mLow * std::exp((x - mLeft) / (mRight - mLeft) * std::log(mHigh / mLow));
}

std::vector<NoteMark> FrequencyAxis::noteMarks() const
{
    std::vector<NoteMark> marks;
    // MIDI notes 0 (C-1) to 135 cover 8 Hz to 20 kHz and more.
    for (int note = 0; note <= 135; ++note)
    {
        const int pitchClass = note % 12;
        if (pitchClass != 0 && pitchClass != 9)
        {
            continue;
        }
        const double hz = 440.0 * std::exp2((note - 69) / 12.0);
        if (!contains(hz))
        {
            continue;
        }
        const bool major = pitchClass == 0;
        std::string label;
        if (major)
        {
            label = std::to_string(note / 12 - 1);
            label.insert(label.begin(), 'C');
        }
        marks.push_back({hz, x(hz), std::move(label), major});
    }
    return marks;
}

} // namespace quendra::plugin::ui
