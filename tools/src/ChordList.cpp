#include "ChordList.h"

#include "NoteName.h"
#include "NumberText.h"
#include "ToolError.h"

#include <algorithm>
#include <bitset>
#include <cmath>
#include <string>

namespace quendra::renderer
{

namespace
{

std::uint8_t midiNote(std::string_view text)
{
    const auto hz = parseNoteFrequency(text);
    // MIDI numbers and octaves beyond the keyboard are numbers the note parser refuses.
    if (!hz && text.size() > 1 && text.back() == 'm')
        if (const auto number = parseFiniteNumber(text.substr(0, text.size() - 1)))
            throw usageError("--notes: the note '" + std::string(text) +
                             "' is out of range (MIDI notes 0 to 127, C-1 to G9)");
    if (!hz)
        throw usageError("--notes: '" + std::string(text) +
                         "' is not a note (a name such as A2 or C#3, or a MIDI number such as "
                         "45m)");
    const double note = 69.0 + 12.0 * std::log2(*hz / 440.0);
    const double whole = std::round(note);
    if (std::abs(note - whole) > 1e-6)
        throw usageError("--notes: '" + std::string(text) + "' is not a whole MIDI note");
    if (whole < 0.0 || whole > 127.0)
        throw usageError("--notes: the note '" + std::string(text) +
                         "' is out of range (MIDI notes 0 to 127, C-1 to G9)");
    return static_cast<std::uint8_t>(whole);
}

std::bitset<128> chordNotes(std::string_view chord)
{
    std::bitset<128> notes;
    if (chord == "-")
        return notes;
    for (std::size_t start = 0; start <= chord.size();)
    {
        const std::size_t plus = std::min(chord.find('+', start), chord.size());
        notes.set(midiNote(chord.substr(start, plus - start)));
        start = plus + 1;
    }
    return notes;
}

} // namespace

MidiTimeline parseChordList(std::string_view text)
{
    MidiTimeline timeline;
    std::bitset<128> sounding;
    double last = -1.0;
    std::size_t points = 0;
    for (std::size_t start = 0; start < text.size();)
    {
        start = text.find_first_not_of(" \t,", start);
        if (start == std::string_view::npos)
            break;
        const std::size_t end = std::min(text.find_first_of(" \t,", start), text.size());
        const std::string_view point = text.substr(start, end - start);
        start = end;
        const std::size_t colon = point.find(':');
        if (colon == std::string_view::npos || colon + 1 == point.size())
            throw usageError("--notes: '" + std::string(point) +
                             "' is not SECONDS:CHORD (e.g. 0:A2+C#3+E3 or 4:-)");
        const auto seconds = parseFiniteNumber(point.substr(0, colon));
        if (!seconds || *seconds < 0.0 || *seconds > 86400.0)
            throw usageError("--notes: '" + std::string(point.substr(0, colon)) +
                             "' is not a time in seconds (0 to 86400)");
        if (*seconds <= last)
            throw usageError("--notes: the times must increase ('" + std::string(point) + "')");
        last = *seconds;
        const std::bitset<128> chord = chordNotes(point.substr(colon + 1));
        for (std::uint8_t note = 0; note < 128; ++note)
        {
            if (sounding[note] && !chord[note])
                timeline.push_back({*seconds, {0x80, note, 0}, 3});
        }
        for (std::uint8_t note = 0; note < 128; ++note)
        {
            if (chord[note] && !sounding[note])
                timeline.push_back({*seconds, {0x90, note, 100}, 3});
        }
        sounding = chord;
        ++points;
    }
    if (points == 0)
        throw usageError("--notes: the chord list is empty (e.g. \"0:A2+C#3+E3 2:D3+F#3+A3 4:-\")");
    return timeline;
}

} // namespace quendra::renderer
