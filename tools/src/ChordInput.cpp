#include "ChordInput.h"

#include "ChordList.h"
#include "MidiFile.h"
#include "ToolError.h"

#include <tessel/host/Utf8Path.h>

#include <fstream>
#include <iterator>
#include <string>

namespace quendra::renderer
{

namespace
{

std::string fileText(const std::string& path, const char* what)
{
    std::ifstream file(tessel::host::pathFromUtf8(path), std::ios::binary);
    if (!file)
        throw ToolError(std::string("cannot open the ") + what + " '" + path + "'");
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

} // namespace

MidiTimeline chordTimeline(const RenderRequest& request)
{
    if (!request.midiPath.empty())
        return readMidiFile(request.midiPath, request.midiChannel);
    return parseChordList(request.notes);
}

dravel::vantor::ScalaTuning chordTuning(const RenderRequest& request)
{
    if (request.tuningPath.empty())
        return {};
    const std::string scale = fileText(request.tuningPath, "scale file");
    const std::string map =
        request.keymapPath.empty() ? std::string() : fileText(request.keymapPath, "keyboard map");
    try
    {
        return dravel::vantor::ScalaTuning::fromText(scale, map);
    }
    catch (const dravel::vantor::ScalaError& error)
    {
        const bool inMap = std::string(error.what()).rfind("keyboard map", 0) == 0;
        throw ToolError("'" + (inMap ? request.keymapPath : request.tuningPath) +
                        "': " + error.what());
    }
}

} // namespace quendra::renderer
