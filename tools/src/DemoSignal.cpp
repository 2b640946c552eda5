#include "DemoSignal.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <numbers>
#include <vector>

namespace quendra::renderer
{
namespace
{

constexpr double kSeconds = 8.0;
constexpr double kBeat = 0.5; // 120 beats per minute
constexpr double kTwoPi = 2.0 * std::numbers::pi;

// Small fixed-seed noise source, so the demo is the same on every run.
class Noise
{
public:
    double next()
    {
        mState ^= mState << 13;
        mState ^= mState >> 7;
        mState ^= mState << 17;
        return static_cast<double>(mState >> 11) * (2.0 / 9007199254740992.0) - 1.0;
    }

private:
    std::uint64_t mState = 0x5eed1234abcdULL;
};

class Mixer
{
public:
    Mixer(AudioData& audio) : mAudio(audio) {}

    // Adds a mono sample at a frame with a pan from -1 (left) to +1 (right).
    void add(std::size_t frame, double value, double pan)
    {
        if (frame >= mAudio.frames())
        {
            return;
        }
        const double angle = (pan + 1.0) * std::numbers::pi / 4.0;
        mAudio.samples[frame * 2] += value * std::cos(angle);
        mAudio.samples[frame * 2 + 1] += value * std::sin(angle);
    }

private:
    AudioData& mAudio;
};

void addKick(Mixer& mix, double rate, double start)
{
    const auto first = static_cast<std::size_t>(start * rate);
    double phase = 0.0;
    for (std::size_t i = 0; i < static_cast<std::size_t>(0.4 * rate); ++i)
    {
        const double t = i / rate;
        const double frequency = 45.0 + 110.0 * std::exp(-t * 30.0);
        phase += kTwoPi * frequency / rate;
        mix.add(first + i, 0.8 * std::sin(phase) * std::exp(-t * 9.0), 0.0);
    }
}

void addSnare(Mixer& mix, Noise& noise, double rate, double start)
{
    const auto first = static_cast<std::size_t>(start * rate);
    double previous = 0.0;
    for (std::size_t i = 0; i < static_cast<std::size_t>(0.25 * rate); ++i)
    {
        const double t = i / rate;
        const double white = noise.next();
        const double bright = white - previous; // a first difference tilts the noise upwards
        previous = white;
        const double body = std::sin(kTwoPi * 190.0 * t) * std::exp(-t * 35.0);
        mix.add(first + i, 0.35 * bright * std::exp(-t * 18.0) + 0.3 * body, 0.1);
    }
}

void addHat(Mixer& mix, Noise& noise, double rate, double start, double level)
{
    const auto first = static_cast<std::size_t>(start * rate);
    double previous = 0.0;
    for (std::size_t i = 0; i < static_cast<std::size_t>(0.06 * rate); ++i)
    {
        const double t = i / rate;
        const double white = noise.next();
        mix.add(first + i, level * (white - previous) * std::exp(-t * 70.0), 0.35);
        previous = white;
    }
}

// A plucked string: a noise burst circulating in a damped delay line.
void addPluck(Mixer& mix, Noise& noise, double rate, double start, double frequency, double pan)
{
    const auto first = static_cast<std::size_t>(start * rate);
    std::vector<double> line(static_cast<std::size_t>(rate / frequency));
    for (auto& value : line)
    {
        value = noise.next();
    }
    std::size_t index = 0;
    for (std::size_t i = 0; i < static_cast<std::size_t>(1.2 * rate); ++i)
    {
        const std::size_t nextIndex = (index + 1) % line.size();
        const double value = line[index];
        line[index] = 0.996 * 0.5 * (value + line[nextIndex]);
        index = nextIndex;
        mix.add(first + i, 0.3 * value, pan);
    }
}

void addNoiseBurst(Mixer& mix, Noise& noise, double rate, double start, double pan)
{
    const auto first = static_cast<std::size_t>(start * rate);
    const auto length = static_cast<std::size_t>(0.18 * rate);
    double low = 0.0;
    for (std::size_t i = 0; i < length; ++i)
    {
        const double envelope = std::sin(std::numbers::pi * i / length);
        low += 0.2 * (noise.next() - low); // gentle low-pass
        mix.add(first + i, 0.5 * low * envelope * envelope, pan);
    }
}

} // namespace

AudioData makeDemoSignal(double sampleRate)
{
    AudioData audio;
    audio.sampleRate = sampleRate;
    audio.channels = 2;
    audio.samples.assign(static_cast<std::size_t>(kSeconds * sampleRate) * 2, 0.0);
    Mixer mix(audio);
    Noise noise;

    // Drums over the first six seconds: kick on 1 and 3, snare on 2 and 4, hats on eighths.
    for (int beat = 0; beat < 12; ++beat)
    {
        const double time = beat * kBeat;
        if (beat % 2 == 0)
        {
            addKick(mix, sampleRate, time);
        }
        else
        {
            addSnare(mix, noise, sampleRate, time);
        }
        addHat(mix, noise, sampleRate, time, 0.12);
        addHat(mix, noise, sampleRate, time + kBeat / 2.0, 0.07);
    }

    // A plucked phrase in A minor pentatonic from the second bar on.
    constexpr std::array<double, 8> phrase{220.0, 261.63, 293.66, 329.63,
                                           392.0, 329.63, 293.66, 440.0};
    for (std::size_t note = 0; note < phrase.size(); ++note)
    {
        const double pan = note % 2 == 0 ? -0.4 : 0.4;
        addPluck(mix, noise, sampleRate, 2.0 + note * 0.75 * kBeat, phrase[note], pan);
    }

    // Noise bursts at the end, alternating sides, for the resonator to ring on.
    for (int burst = 0; burst < 4; ++burst)
    {
        addNoiseBurst(mix, noise, sampleRate, 6.0 + burst * 0.45, burst % 2 == 0 ? -0.7 : 0.7);
    }
    return audio;
}

} // namespace quendra::renderer
