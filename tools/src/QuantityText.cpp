#include "QuantityText.h"

#include "NoteName.h"
#include "NumberText.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace quendra::renderer
{

namespace
{

struct UnitSpelling
{
    std::string_view suffix; // lower case
    Quantity quantity;
    double scale; // to the quantity's own unit
};

constexpr std::array<UnitSpelling, 10> kUnits{{{"hz", Quantity::Frequency, 1.0},
                                               {"khz", Quantity::Frequency, 1000.0},
                                               {"s", Quantity::Time, 1.0},
                                               {"sec", Quantity::Time, 1.0},
                                               {"ms", Quantity::Time, 0.001},
                                               {"db", Quantity::Level, 1.0},
                                               {"dbfs", Quantity::Level, 1.0},
                                               {"st", Quantity::Interval, 1.0},
                                               {"semitones", Quantity::Interval, 1.0},
                                               {"%", Quantity::Fraction, 0.01}}};

std::string_view quantityName(Quantity quantity)
{
    switch (quantity)
    {
    case Quantity::Frequency:
        return "a frequency";
    case Quantity::Time:
        return "a time";
    case Quantity::Level:
        return "a level";
    case Quantity::Interval:
        return "an interval";
    case Quantity::Fraction:
        return "a share";
    case Quantity::Plain:
        break;
    }
    return "a plain number";
}

std::string expected(Quantity quantity)
{
    switch (quantity)
    {
    case Quantity::Frequency:
        return "expected hertz (110, 110hz, 2.5khz), a note name such as A2, C#4 or Bb3, or a "
               "MIDI note number such as 45m";
    case Quantity::Time:
        return "expected seconds (2, 2s) or milliseconds (500ms)";
    case Quantity::Level:
        return "expected decibels (-3 or -3db)";
    case Quantity::Interval:
        return "expected semitones (7, +7st, -12st)";
    case Quantity::Fraction:
        return "expected a number (0.5) or a percentage (50%)";
    case Quantity::Plain:
        break;
    }
    return "expected a number";
}

} // namespace

QuantityReading readQuantity(std::string_view text, Quantity quantity)
{
    if (const auto plain = parseFiniteNumber(text))
    {
        return {plain, {}};
    }
    if (quantity == Quantity::Frequency)
    {
        if (const auto hertz = parseNoteFrequency(text))
        {
            return {hertz, {}};
        }
    }

    // The unit: the letters (or the percent sign) that end the text.
    const auto unitStart =
        std::find_if(text.rbegin(), text.rend(),
                     [](unsigned char c) { return !std::isalpha(c) && c != '%'; })
            .base();
    const auto at = static_cast<std::size_t>(unitStart - text.begin());
    std::string suffix(text.substr(at));
    std::transform(suffix.begin(), suffix.end(), suffix.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const auto number = parseFiniteNumber(text.substr(0, at));
    if (suffix.empty() || !number)
    {
        return {std::nullopt, expected(quantity)};
    }
    const auto unit = std::find_if(kUnits.begin(), kUnits.end(),
                                   [&](const UnitSpelling& u) { return u.suffix == suffix; });
    // Built by appending: GCC 12 reports a false overlap in "'" + std::string (its bug 105651).
    std::string problem;
    if (unit == kUnits.end())
    {
        problem.append("unknown unit '").append(text.substr(at)).append("'; ");
        return {std::nullopt, problem.append(expected(quantity))};
    }
    if (unit->quantity != quantity)
    {
        problem.append("'").append(text.substr(at)).append("' makes ");
        problem.append(quantityName(unit->quantity)).append(", but this takes ");
        problem.append(quantityName(quantity)).append("; ");
        return {std::nullopt, problem.append(expected(quantity))};
    }
    return {*number * unit->scale, {}};
}

Quantity quantityOfUnit(std::string_view unit, bool fractional)
{
    if (unit == "Hz")
    {
        return Quantity::Frequency;
    }
    if (unit == "s")
    {
        return Quantity::Time;
    }
    if (unit == "dB")
    {
        return Quantity::Level;
    }
    if (unit == "st")
    {
        return Quantity::Interval;
    }
    return fractional ? Quantity::Fraction : Quantity::Plain;
}

std::string unitsText(Quantity quantity)
{
    switch (quantity)
    {
    case Quantity::Frequency:
        return "Hz (or kHz, a note name, a MIDI note number)";
    case Quantity::Time:
        return "s (or ms)";
    case Quantity::Level:
        return "dB";
    case Quantity::Interval:
        return "st (semitones)";
    case Quantity::Fraction:
        return "share (0.5 or 50%)";
    case Quantity::Plain:
        break;
    }
    return "none";
}

} // namespace quendra::renderer
