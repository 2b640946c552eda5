#include "MidiPitch.h"

#include <algorithm>
#include <cmath>

namespace quendra::plugin
{

bool MidiPitch::handle(const std::uint8_t* data, std::size_t size) noexcept
{
    if (data == nullptr || size < 1)
    {
        return false;
    }
    const std::uint8_t kind = data[0] & 0xF0;
    const auto byte = [&](std::size_t i) -> std::uint8_t
    { return i < size ? static_cast<std::uint8_t>(data[i] & 0x7F) : 0; };
    switch (kind)
    {
    case 0x90:
        return byte(2) == 0 ? noteOff(byte(1)) : noteOn(byte(1));
    case 0x80:
        return noteOff(byte(1));
    case 0xE0:
        return pitchBend(static_cast<std::uint16_t>(byte(1) | (byte(2) << 7)));
    case 0xB0:
        return (byte(1) == 123 || byte(1) == 120) ? allNotesOff() : false;
    default:
        return false;
    }
}

bool MidiPitch::noteOn(std::uint8_t note) noexcept
{
    note &= 0x7F;
    const auto end = mHeld.begin() + static_cast<std::ptrdiff_t>(mHeldCount);
    const auto found = std::find(mHeld.begin(), end, note);
    if (found != end)
    {
        std::rotate(found, found + 1, end); // a repeated note becomes the newest
    }
    else
    {
        mHeld[mHeldCount++] = note;
    }
    const bool changed = mSoundingNote != note;
    mSoundingNote = note;
    return changed;
}

bool MidiPitch::noteOff(std::uint8_t note) noexcept
{
    note &= 0x7F;
    const auto end = mHeld.begin() + static_cast<std::ptrdiff_t>(mHeldCount);
    const auto found = std::find(mHeld.begin(), end, note);
    if (found == end)
    {
        return false;
    }
    std::rotate(found, found + 1, end);
    --mHeldCount;
    if (mHeldCount == 0)
    {
        return false; // nothing held: the last pitch stays
    }
    const int newest = mHeld[mHeldCount - 1];
    const bool changed = newest != mSoundingNote;
    mSoundingNote = newest;
    return changed;
}

bool MidiPitch::allNotesOff() noexcept
{
    mHeldCount = 0;
    return false;
}

bool MidiPitch::pitchBend(std::uint16_t value) noexcept
{
    const int offset = static_cast<int>(value & 0x3FFF) - 8192;
    const double bend =
        kBendRangeSemitones * static_cast<double>(offset) / (offset >= 0 ? 8191.0 : 8192.0);
    const bool changed = bend != mBendSemitones && mSoundingNote >= 0;
    mBendSemitones = bend;
    return changed;
}

std::optional<double> MidiPitch::frequency() const noexcept
{
    if (mSoundingNote < 0)
    {
        return std::nullopt;
    }
    return std::clamp(noteFrequency(mSoundingNote + mBendSemitones), 20.0, 20000.0);
}

void MidiPitch::reset() noexcept
{
    mHeldCount = 0;
    mSoundingNote = -1;
    mBendSemitones = 0.0;
}

double MidiPitch::noteFrequency(double note) noexcept
{
    return 440.0 * std::exp2((note - 69.0) / 12.0);
}

} // namespace quendra::plugin
