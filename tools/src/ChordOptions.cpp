#include "ChordOptions.h"

#include "NumberText.h"
#include "ToolError.h"

namespace quendra::renderer
{

bool parseChordOption(RenderRequest& request, const std::string& name,
                      const std::function<std::string()>& value)
{
    if (name == "notes")
    {
        request.notes = value();
        if (request.notes.find_first_not_of(" \t,") == std::string::npos)
            throw usageError(
                "--notes: the chord list is empty (e.g. \"0:A2+C#3+E3 2:D3+F#3+A3 4:-\")");
    }
    else if (name == "midi")
    {
        request.midiPath = value();
    }
    else if (name == "midi_channel")
    {
        const std::string text = value();
        const auto channel = parseInteger(text);
        if (!channel || *channel < 1 || *channel > 16)
            throw usageError("bad value '" + text + "' for --midi-channel (expected 1 to 16)");
        request.midiChannel = static_cast<int>(*channel);
    }
    else if (name == "tuning")
    {
        request.tuningPath = value();
    }
    else if (name == "keymap")
    {
        request.keymapPath = value();
    }
    else
    {
        return false;
    }
    return true;
}

void checkChordOptions(const RenderRequest& request)
{
    if (!request.notes.empty() && !request.midiPath.empty())
        throw usageError("--notes and --midi both give chords; choose one");
    if (request.midiChannel != 0 && request.midiPath.empty())
        throw usageError("--midi-channel needs --midi");
    if (!request.keymapPath.empty() && request.tuningPath.empty())
        throw usageError("--keymap needs --tuning");
    if (!request.tuningPath.empty() && !request.chords())
        throw usageError("--tuning tunes the notes of --notes or --midi; give one of them");
}

} // namespace quendra::renderer
