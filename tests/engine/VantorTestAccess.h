// Test-only access to an engine's spectra and hop, through the friend declared in Vantor.h.
// Lets a test wrap the hop routine (to record when it runs, or to replace what the banks
// wrote by a known spectrum) while the engine's own routine still does the work.
#pragma once

#include "quendra/dsp/Delegate.h"
#include "quendra/dsp/Vantor.h"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace quendra::dravel::vantor
{

struct VantorTestAccess
{
    static void installHop(Vantor& engine, Delegate<void()> hop) { engine.mHopCallback = hop; }
    static void runEngineHop(Vantor& engine) { engine.hop(); }

    // Makes every output spectrum equal to the input spectrum of the previous hop, just
    // before the inverse transforms: the STFT alone, without the banks.
    static void copyInputToOutput(Vantor& engine)
    {
        engine.mOutputSpectrumLeft = engine.mInputSpectrumLeft;
        engine.mOutputSpectrumRight = engine.mInputSpectrumRight;
    }

    static const Complex* outputSpectrum(const Vantor& engine, int side)
    {
        return side == 0 ? engine.mOutputSpectrumLeft.data() : engine.mOutputSpectrumRight.data();
    }
};

// Records the sample number (counted from 1) of every hop, then runs the engine's hop.
struct HopRecorder
{
    explicit HopRecorder(Vantor& engine) : mpEngine(&engine)
    {
        VantorTestAccess::installHop(
            engine, Delegate<void()>::fromMethod<HopRecorder, &HopRecorder::onHop>(this));
    }

    StereoFrame process(StereoFrame input) noexcept
    {
        ++mSample;
        return mpEngine->process(input);
    }

    void onHop()
    {
        hops.push_back(mSample);
        VantorTestAccess::runEngineHop(*mpEngine);
    }

    Vantor* mpEngine;
    std::size_t mSample = 0;
    std::vector<std::size_t> hops;
};

// Replaces the banks' output by the input spectra: the engine becomes a pure STFT.
struct IdentityHop
{
    explicit IdentityHop(Vantor& engine) : mpEngine(&engine)
    {
        VantorTestAccess::installHop(
            engine, Delegate<void()>::fromMethod<IdentityHop, &IdentityHop::onHop>(this));
    }

    void onHop()
    {
        VantorTestAccess::copyInputToOutput(*mpEngine);
        VantorTestAccess::runEngineHop(*mpEngine);
    }

    Vantor* mpEngine;
};

} // namespace quendra::dravel::vantor
