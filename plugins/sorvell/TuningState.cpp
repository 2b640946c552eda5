#include "TuningState.h"

namespace quendra::plugin
{

using dravel::vantor::ScalaError;
using dravel::vantor::ScalaTuning;

TuningState::Result TuningState::tryReplace(std::string_view key, std::string_view text) const
{
    if (key != kTuningScaleKey && key != kTuningKeymapKey)
    {
        return {std::nullopt, "no tuning text is called " + std::string(key)};
    }
    const std::string_view scale = key == kTuningScaleKey ? text : std::string_view(mScale);
    const std::string_view keymap = key == kTuningKeymapKey ? text : std::string_view(mKeymap);
    // A mapping without a scale waits for one.
    if (scale.empty())
    {
        return {ScalaTuning(), {}};
    }
    try
    {
        return {ScalaTuning::fromText(scale, keymap), {}};
    }
    catch (const ScalaError& error)
    {
        return {std::nullopt, error.what()};
    }
}

TuningState::Result TuningState::replace(std::string_view key, std::string_view text)
{
    Result result = tryReplace(key, text);
    if (result.tuning)
    {
        (key == kTuningScaleKey ? mScale : mKeymap) = std::string(text);
        const std::string& name = result.tuning->description();
        mDescription = mScale.empty()    ? "equal temperament, A4 = 440 Hz"
                       : name.empty()    ? "Scala scale"
                       : mKeymap.empty() ? name
                                         : name + " (mapped)";
    }
    return result;
}

const std::string& TuningState::text(std::string_view key) const noexcept
{
    return key == kTuningKeymapKey ? mKeymap : mScale;
}

} // namespace quendra::plugin
