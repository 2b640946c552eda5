// The plugin's signal path without any plugin API: one engine, the shared parameter table bound
// through the shared ramp set (5 ms ramps, block-start queue), a bypass that crossfades to the
// dry input delayed by the engine's latency, and the MIDI pitch source. Every plugin format
// drives it the same way: parameters from any thread, process() and midi() on the audio thread.
//
// Lifecycle: construction, setSampleRate() and activate() allocate (never on the audio thread);
// process() and midi() allocate, lock and block nothing. Until the first block after
// activation a parameter set takes effect at once, with no ramp.
#pragma once

#include "MidiPitch.h"

#include "quendra/ramp_set.h"
#include "sorvell_parameters.h"

#include <quendra/dsp/DryDelay.h>
#include <quendra/dsp/Vantor.h>

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

namespace quendra::plugin
{

// Parameters after the shared table: the bypass and the pitch source.
inline constexpr std::size_t kBypassIndex = sorvell::parameter_count;
inline constexpr std::size_t kPitchSourceIndex = sorvell::parameter_count + 1;
inline constexpr std::size_t kParameterCount = sorvell::parameter_count + 2;

enum class PitchSource
{
    frequency = 0,
    midi = 1
};

inline constexpr std::array<std::string_view, 2> kPitchSourceNames{"Frequency", "MIDI"};

class SorvellProcessor
{
public:
    static constexpr std::uint32_t kLatency = dravel::vantor::Vantor::kLatency;

    // With a seed every engine it builds repeats its random parts exactly (the renderer's
    // --seed); without one they come from the platform's random device.
    explicit SorvellProcessor(double sampleRate, std::optional<std::uint32_t> seed = std::nullopt);

    SorvellProcessor(const SorvellProcessor&) = delete;
    SorvellProcessor& operator=(const SorvellProcessor&) = delete;

    // Off the audio thread, while deactivated: a new rate builds a new engine.
    void setSampleRate(double sampleRate);
    // Off the audio thread: a fresh engine if the current one has processed audio, every
    // ramp at its target, no notes held.
    void activate();
    void deactivate() noexcept;

    // Any thread. Values are clamped into the parameter's range.
    void setParameter(std::size_t index, double value) noexcept;
    double parameter(std::size_t index) const noexcept;

    // Audio thread: one MIDI message, taken as arriving before the next processed sample.
    void midi(const std::uint8_t* data, std::size_t size) noexcept;

    // Audio thread. Two input and two output channels; outputs may alias inputs; any frame
    // count including 0.
    void process(const float* const* inputs, float* const* outputs, std::uint32_t frames) noexcept;

    double sampleRate() const noexcept { return mSampleRate; }
    dravel::vantor::Vantor& engine() noexcept { return *mEngine; }
    const brindle::quendra::ramp_set& ramps() const noexcept { return mRamps; }

private:
    void buildEngine();
    void prime() noexcept;
    void followPitch() noexcept;
    void processRuns(const float* const* inputs, float* const* outputs, std::uint32_t frames,
                     bool ramping) noexcept;
    void advanceRamps(std::size_t frame) noexcept; // the engine's frame hook while ramps run

    static constexpr std::uint32_t kRun = 256; // frames per engine call

    double mSampleRate;
    std::optional<std::uint32_t> mSeed;
    std::unique_ptr<dravel::vantor::Vantor> mEngine;
    bool mEngineUsed = false;
    bool mPrimed = false;

    brindle::quendra::ramp_set mRamps;
    std::array<std::unique_ptr<brindle::quendra::smoothed_parameter>, kParameterCount> mSmoothed;
    std::array<brindle::quendra::int_callback, sorvell::parameter_count> mQueuedCallbacks;
    std::array<std::atomic<double>, kParameterCount> mValues; // what the host set, clamped

    dravel::vantor::DryDelay mBypassDelay;
    float mBypassAmount = 0.0f;             // 0 processed .. 1 delayed dry
    std::array<float, kRun> mBypassCurve{}; // the amount of every frame of a run

    std::atomic<int> mPitchSource{static_cast<int>(PitchSource::frequency)};
    std::atomic<bool> mPitchSourceChanged{false};
    MidiPitch mMidiPitch; // audio thread only (and activate)
};

} // namespace quendra::plugin
