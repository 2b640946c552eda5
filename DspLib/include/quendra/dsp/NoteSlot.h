// One note slot of a polyphonic bank as its frame start sees it: the note's frequency, whether
// its partials take energy from the input (the gate), and the gain their levels take this hop.
// A note starts by fading its partials in over kFadeInHops hops. A released note closes the
// gate and rings out with the decay. A slot still sounding another pitch is first faded out
// over kFadeOutHops hops (a stolen note, or a ringing one whose slot is reused), then retuned.
// Every note sounds for at least one hop, however short. Plain values; real-time safe.
#pragma once

#include <cstdint>

namespace quendra::dravel::vantor
{

class NoteSlot
{
public:
    static constexpr int kFadeInHops = 3;
    static constexpr int kFadeOutHops = 2;

    enum class Phase : std::uint8_t
    {
        Silent,
        FadingIn,
        Held,
        Released,
        FadingOut,
    };

    // What the frame start does with the slot's partials for the coming hop.
    struct Step
    {
        bool retune = false; // the slot's frequency changed
        bool gate = false;   // its partials read the input
        float gain = 1.0f;   // their levels are scaled by it after each update
    };

    // Both take effect at the next advance().
    void start(float hz) noexcept
    {
        mNextHz = hz;
        mStartDue = true;
    }
    void release() noexcept { mReleaseDue = true; }

    // Once per hop. audible: some partial of the slot still sounds.
    Step advance(bool audible) noexcept;

    float frequency() const noexcept { return mHz; }
    Phase phase() const noexcept { return mPhase; }
    bool gate() const noexcept { return mPhase == Phase::FadingIn || mPhase == Phase::Held; }

private:
    float mHz = 0.0f;
    float mNextHz = 0.0f;
    Phase mPhase = Phase::Silent;
    int mStep = 0;
    bool mStartDue = false;
    bool mReleaseDue = false;
};

} // namespace quendra::dravel::vantor
