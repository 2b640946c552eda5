// The files that drive chords: a Standard MIDI File (through the renderer's reader) or a
// Scala scale with its keyboard mapping, from arbitrary bytes. The first byte picks which
// (even: MIDI, odd: Scala; the scale and the map part at the first zero byte). A file
// refused with an error is fine; a crash, a sanitizer report, a message of more than one
// line or a frequency that is neither 0 nor finite and positive is not.
#include "FuzzTargets.h"

#include "MidiFile.h"
#include "ToolError.h"

#include <quendra/dsp/ScalaTuning.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <string_view>

namespace sorvell::fuzz
{

namespace
{
void requireOneLine(const char* message)
{
    if (std::string_view(message).find('\n') != std::string_view::npos)
        std::abort();
}
} // namespace

int runChordFile(const std::uint8_t* bytes, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::string_view rest(reinterpret_cast<const char*>(bytes + 1), size - 1);
    if (bytes[0] % 2 == 0)
    {
        try
        {
            const auto timeline = quendra::renderer::midiTimelineFromBytes(
                rest.data(), rest.size(), bytes[0] / 2 % 17, "the input");
            double last = 0.0;
            for (const auto& message : timeline)
            {
                if (!std::isfinite(message.seconds) || message.seconds < last ||
                    message.size == 0 || message.size > 3 || message.bytes[0] < 0x80)
                    std::abort();
                last = message.seconds;
            }
        }
        catch (const quendra::renderer::ToolError& error)
        {
            requireOneLine(error.what());
        }
        return 0;
    }
    const std::size_t split = std::min(rest.find('\0'), rest.size());
    try
    {
        const auto tuning = quendra::dravel::vantor::ScalaTuning::fromText(
            rest.substr(0, split), split < rest.size() ? rest.substr(split + 1) : "");
        for (int note = 0; note < quendra::dravel::vantor::ScalaTuning::kNoteCount; ++note)
        {
            const double hz = tuning.frequency(note);
            if (hz != 0.0 && !(std::isfinite(hz) && hz > 0.0))
                std::abort();
        }
    }
    catch (const quendra::dravel::vantor::ScalaError& error)
    {
        requireOneLine(error.what());
    }
    return 0;
}

} // namespace sorvell::fuzz

SORVELL_FUZZ_ENTRY(sorvell::fuzz::runChordFile)
