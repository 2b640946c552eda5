// Test-only access to an engine's hop, through the friend declared in Vantor.h: records the
// sample number (counted from 1) of every hop and, with `identity`, replaces the banks' output
// by the input spectra and transforms them back (again) before the overlap-add, so that the
// engine is a pure STFT.
#pragma once

#include "quendra/dsp/Delegate.h"
#include "quendra/dsp/Vantor.h"

#include <cstddef>
#include <vector>

namespace quendra::dravel::vantor
{

struct VantorTestAccess
{
    VantorTestAccess(Vantor& engine, bool identity) : mEngine(engine), mIdentity(identity)
    {
        engine.mHopCallback =
            Delegate<void()>::fromMethod<VantorTestAccess, &VantorTestAccess::onHop>(this);
    }

    StereoFrame process(StereoFrame input) noexcept
    {
        ++mSample;
        return mEngine.process(input);
    }

    void onHop()
    {
        hops.push_back(mSample);
        if (mIdentity)
        {
            mEngine.mOutputSpectrumLeft = mEngine.mInputSpectrumLeft;
            mEngine.mOutputSpectrumRight = mEngine.mInputSpectrumRight;
            mEngine.inverse(0);
            mEngine.inverse(1);
        }
        mEngine.hop();
    }

    Vantor& mEngine;
    bool mIdentity;
    std::size_t mSample = 0;
    std::vector<std::size_t> hops;
};

} // namespace quendra::dravel::vantor
