// TestObject.h - layout of the tiny signal class "hosttest.gain~" that the host tests load as
// a module; shared by the module and the tests, which inspect instances through it.
// The class scales each of two signal inlets by its `gain` attribute into two signal outlets.
#pragma once

#include "tessel/tessel_audio.h"

#include <atomic>

struct HostTestObject
{
    tessel_signal_object header;
    double gain;      // attribute "gain" (float64, 0..4, accessors)
    tessel_long mode; // attribute "mode" (long, enumindex "Off" "On" "Very loud", stored in place)

    double lastFloat; // "float"
    long floatInlet;
    int deferredRuns; // "later": deferred call ran
    bool deferredOnMain;
    int qelemRuns; // "poke": queue element ran
    bool qelemOnMain;
    tessel_qelem* qelem;

    int dsp64Calls;
    short counts[4];
    double dspSampleRate;
    long dspMaxVector;
    std::atomic<int> performCalls;
    long lastFrames;
    bool sawDistinctVectors;
};
