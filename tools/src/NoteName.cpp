#include "NoteName.h"

#include "NumberText.h"

#include <cmath>

namespace quendra::renderer
{

namespace
{

double midiToHertz(double note)
{
    return 440.0 * std::exp2((note - 69.0) / 12.0);
}

// Semitones above C of the letters C D E F G A B.
std::optional<int> letterSemitone(char letter)
{
    switch (letter | 0x20) // lower case
    {
    case 'c':
        return 0;
    case 'd':
        return 2;
    case 'e':
        return 4;
    case 'f':
        return 5;
    case 'g':
        return 7;
    case 'a':
        return 9;
    case 'b':
        return 11;
    default:
        return std::nullopt;
    }
}

} // namespace

std::optional<double> parseNoteFrequency(std::string_view text)
{
    if (text.size() > 1 && (text.back() == 'm' || text.back() == 'M'))
    {
        const auto note = parseFiniteNumber(text.substr(0, text.size() - 1));
        if (note && *note >= 0.0 && *note <= 127.0)
        {
            return midiToHertz(*note);
        }
        return std::nullopt;
    }
    if (text.size() < 2)
    {
        return std::nullopt;
    }
    const auto semitone = letterSemitone(text.front());
    if (!semitone)
    {
        return std::nullopt;
    }
    int note = *semitone;
    std::size_t at = 1;
    for (; at < text.size() && (text[at] == '#' || text[at] == 'b'); ++at)
    {
        note += text[at] == '#' ? 1 : -1;
    }
    const auto octave = parseInteger(text.substr(at));
    if (!octave || *octave < -1 || *octave > 9 || text[at] == '+')
    {
        return std::nullopt;
    }
    return midiToHertz(12.0 * static_cast<double>(*octave + 1) + note);
}

} // namespace quendra::renderer
