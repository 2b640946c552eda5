// Where the resonator's partials sound, for drawing: a private engine set to the window's
// parameters, read back partial by partial. The numbers are the engine's own (its layout of
// harmonics and unison voices, stretch, per-channel unison spread, the harmonic limit and the
// 20 Hz..20 kHz band), not a second copy of its formulas. Runs on the window's thread only.
#pragma once

#include "sorvell_parameters.h"

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace quendra::plugin::ui
{

struct CombPartial
{
    float hz;               // where it sounds
    float listenHz;         // where it reads the input spectrum (moved by the pitch shift)
    float level;            // 0..1: the share of the decay time the damping leaves it
    std::uint8_t side;      // 0 left, 1 right
    std::uint16_t harmonic; // 0 = fundamental
    std::uint8_t voice;     // unison voice
};

class CombModel
{
public:
    using Values = std::array<double, sorvell::parameter_count>;

    // Builds the private engine (allocates).
    explicit CombModel(double sampleRate);
    ~CombModel();
    CombModel(const CombModel&) = delete;
    CombModel& operator=(const CombModel&) = delete;

    // Values in table order, clamped into their ranges here.
    void update(const Values& values);

    std::span<const CombPartial> partials() const noexcept { return mPartials; }
    double sampleRate() const noexcept { return mSampleRate; }

private:
    void hop() noexcept;

    double mSampleRate;
    std::unique_ptr<dravel::vantor::Vantor> mEngine;
    std::vector<CombPartial> mPartials;
};

} // namespace quendra::plugin::ui
