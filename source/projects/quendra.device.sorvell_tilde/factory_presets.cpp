// The factory preset table. Each preset sets all fourteen attributes so that loading one
// never inherits anything from the settings before it.
#include "factory_presets.h"

#include <array>

namespace sorvell
{
namespace
{

// Order and names follow the object's attributes: mix, gain, stretch, shift, decay, hf_damp,
// lf_damp, voices, unison, harmonics, frequency, mod_type (0 none, 1 chorus, 2 wandering,
// 3 granular), mod_rate, pitch_mod.
using preset_values = std::array<preset_value, 14>;

constexpr preset_values values(double mix, double gain, double stretch, double shift, double decay,
                               double hf_damp, double lf_damp, double voices, double unison,
                               double harmonics, double frequency, double mod_type, double mod_rate,
                               double pitch_mod)
{
    return {{{"mix", mix},
             {"gain", gain},
             {"stretch", stretch},
             {"shift", shift},
             {"decay", decay},
             {"hf_damp", hf_damp},
             {"lf_damp", lf_damp},
             {"voices", voices},
             {"unison", unison},
             {"harmonics", harmonics},
             {"frequency", frequency},
             {"mod_type", mod_type},
             {"mod_rate", mod_rate},
             {"pitch_mod", pitch_mod}}};
}

// A long, slowly drifting A1 drone: few bright partials, wandering amplitudes.
constexpr preset_values kDrone =
    values(0.6, 0.0, 0.0, 0.0, 8.0, 0.55, 0.1, 2, 0.04, 64, 55.0, 2, 0.05, 0.0);

// Eight detuned voices on A2 with slow chorus: an ensemble of strings from any source.
constexpr preset_values kStrings =
    values(0.7, 1.5, 0.0, 0.0, 3.0, 0.35, 0.2, 8, 0.15, 96, 110.0, 1, 0.1, 0.1);

// Partials an octave above the input, fired as random grains: a glittering halo.
constexpr preset_values kShimmer =
    values(0.5, -3.0, 0.0, 12.0, 4.0, 0.1, 0.4, 4, 0.1, 128, 220.0, 3, 0.6, 0.0);

// Stretched, sparse partials on E4 that ring for seconds: struck metal.
constexpr preset_values kBell =
    values(0.6, 4.0, 0.35, 0.0, 5.0, 0.6, 0.3, 1, 0.0, 24, 329.63, 0, 0.1, 0.0);

// A low E1 body under the source, an octave down and heavily damped at the top.
constexpr preset_values kDarkBody =
    values(0.45, -4.0, -0.1, -12.0, 2.5, 0.85, 0.0, 2, 0.08, 48, 41.2, 0, 0.1, 0.0);

// A short, dense, gently moving cloud of partials mixed low: colour rather than pitch.
constexpr preset_values kRoom =
    values(0.3, 0.0, 0.05, 0.0, 0.8, 0.5, 0.5, 3, 0.3, 256, 97.5, 2, 0.3, 0.2);

constexpr std::array kPresets{
    factory_preset{"drone", "slow, drifting drone on A1", kDrone},
    factory_preset{"strings", "eight detuned voices with chorus on A2", kStrings},
    factory_preset{"shimmer", "granular partials an octave up", kShimmer},
    factory_preset{"bell", "stretched partials ringing on E4", kBell},
    factory_preset{"dark-body", "damped low body an octave down on E1", kDarkBody},
    factory_preset{"room", "short, dense cloud of partials mixed low", kRoom},
};

} // namespace

std::span<const factory_preset> factory_presets()
{
    return kPresets;
}

const factory_preset* find_factory_preset(std::string_view name)
{
    for (const factory_preset& preset : kPresets)
    {
        if (preset.name == name)
            return &preset;
    }
    return nullptr;
}

} // namespace sorvell
