// What the running plugin shows its window: the newest input and output samples (each a mono
// sum of the two channels), the limiter's gain reduction, a decaying output peak and the
// fundamental the engine resonates at. The audio thread writes, one window reads at its own
// frame rate; neither waits for the other. The rings are atomics (plain moves on x86), and a
// claim counter, stored before each block's samples, tells the reader whether the audio thread
// overwrote what it copied (then it simply tries again at the next frame). No allocation
// after construction.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>

namespace quendra::dravel::vantor
{
class Vantor;
}

namespace quendra::plugin
{

class AnalysisFeed
{
public:
    static constexpr std::size_t kRingSize = 16384; // frames; a power of two

    AnalysisFeed() noexcept;
    AnalysisFeed(const AnalysisFeed&) = delete;
    AnalysisFeed& operator=(const AnalysisFeed&) = delete;

    // The feed constructed last on the calling thread: how a format wrapper that sees only the
    // framework's opaque instance finds the feed of the plugin it has just had created.
    static const AnalysisFeed* lastConstructedOnThisThread() noexcept;

    // Off the audio thread, before processing: the rate the frames are counted in.
    void setSampleRate(double sampleRate) noexcept;

    // Audio thread: the block's input, before processing (inputs may alias outputs).
    void writeInput(const float* const* inputs, std::uint32_t frames) noexcept;
    // Audio thread: the same block's output, then the block's meter readings; publishes the
    // block to the reader.
    void writeOutput(const float* const* outputs, std::uint32_t frames, float gainReductionDb,
                     float fundamentalHz) noexcept;
    // The same, with the readings taken from the engine that made the block: the deeper of its
    // limiter's two gain reductions, and the fundamental its partials are tuned to now (which
    // follows MIDI when that is the pitch source).
    void writeOutput(const float* const* outputs, std::uint32_t frames,
                     const dravel::vantor::Vantor& engine) noexcept;

    // Reader: the newest input.size() frames of input and output (equal sizes, at most
    // kRingSize / 2). False when there are fewer frames yet or the writer overran the copy.
    bool readLatest(std::span<float> input, std::span<float> output) const noexcept;

    double sampleRate() const noexcept { return mSampleRate.load(std::memory_order_relaxed); }
    std::uint64_t framesWritten() const noexcept
    {
        return mPublished.load(std::memory_order_acquire);
    }
    float gainReductionDb() const noexcept
    {
        return mGainReduction.load(std::memory_order_relaxed);
    }
    float outputPeak() const noexcept { return mPeak.load(std::memory_order_relaxed); }
    float fundamentalHz() const noexcept { return mFundamental.load(std::memory_order_relaxed); }

private:
    using Ring = std::array<std::atomic<float>, kRingSize>;
    static void write(Ring& ring, std::uint64_t start, const float* const* channels,
                      std::uint32_t frames) noexcept;

    Ring mInput{};
    Ring mOutput{};
    std::atomic<std::uint64_t> mPublished{0}; // frames complete in both rings
    std::atomic<std::uint64_t> mWriting{0};   // frames the writer may be storing up to
    std::atomic<double> mSampleRate{48000.0};
    std::atomic<float> mGainReduction{0.0f}; // dB, 0 or negative
    std::atomic<float> mPeak{0.0f};          // linear, held and released over about 1.5 s
    std::atomic<float> mFundamental{0.0f};   // Hz
    float mPeakState = 0.0f;                 // audio thread only
    float mPeakReleasePerFrame = 0.0f;       // log2 of the per-frame release factor
};

} // namespace quendra::plugin
