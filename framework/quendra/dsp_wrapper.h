// Binds an engine class with a fixed number of audio inputs and outputs to a host object class:
// the "dsp64" hook, the engine (re)build and priming on a new sample rate, the smoothed and
// queued attributes bound through a ramp_set (the per-block binding every front end shares),
// the "reset" message (carried out by the audio thread at its next block start) and the
// per-block perform routine (per-sample ramps, runs of frames through the engine's block call,
// flush-to-zero for the duration of the block).
//
// Engine requirements: Engine(float sampleRate), Engine(float sampleRate, std::uint32_t seed),
// a block call on the host's 64-bit samples process(const double* inLeft,
// const double* inRight, double* outLeft, double* outRight, count) that works in place, the
// same with a hook called before each frame (the type Engine::FrameHook, built by
// FrameHook::fromMethod<T, &T::method>(object) for a method taking the frame's index in the
// call), which may call the engine's setters, and reset().
//
// Construction and preparation allocate (main thread); perform does not.
#pragma once

#include "../korin/message.h"
#include "../korin/object_base.h"
#include "../korin/symbols.h"
#include "../korin/vector_operator.h"
#include "denormal_guard.h"
#include "parameter_queue.h"
#include "queued_attribute.h"
#include "ramp_set.h"
#include "smooth_attribute.h"

#include "tessel/tessel_audio.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

namespace brindle::quendra
{

template <typename Self, typename Engine, int input_count, int output_count>
class dsp_wrapper : public korin::object<dsp_wrapper<Self, Engine, input_count, output_count>, 1>,
                    public korin::vector_operator<0>
{
    using object_type = korin::object<dsp_wrapper, 1>;

public:
    using smooth = smooth_attribute<0>;

    dsp_wrapper()
        : mDspSetup(*this, "dspsetup",
                    [this](const korin::atoms& args, int)
                    {
                        dsp_setup(args);
                        return korin::atoms{};
                    }),
          mNumber(*this, "number", [](const korin::atoms&, int) { return korin::atoms{}; })
    {
        mSampleRate = sys_getsr();
        mVectorSize = static_cast<int>(sys_getblksize());
        mEngineFactory = [this]
        {
            const auto rate = static_cast<float>(mEngineSampleRate);
            std::uint32_t seed = 0;
            auto fresh = sys_getrandomseed(&seed) != 0 ? std::make_unique<Engine>(rate, seed)
                                                       : std::make_unique<Engine>(rate);
            mEngine = std::move(fresh);
        };
        {
            const auto rate = static_cast<float>(mSampleRate);
            std::uint32_t seed = 0;
            mEngine = sys_getrandomseed(&seed) != 0 ? std::make_unique<Engine>(rate, seed)
                                                    : std::make_unique<Engine>(rate);
        }
        mQueuedAttributes.max_load_factor(1.0f);
        mQueuedAttributes.rehash(8);
        mOwnedMessages.push_back(std::make_unique<korin::message<2>>(
            *this, "setup", [this](const korin::atoms& args, int) { return setup(args); }));
        mOwnedMessages.push_back(std::make_unique<korin::message<2>>(
            *this, "reset",
            [this](const korin::atoms&, int)
            {
                mResetRequested.store(true, std::memory_order_release);
                return korin::atoms{};
            },
            "Reset"));
        make_smooth({"mix", "Dry/wet", "Sets the dry/wet mix of the output signal"}, 0.0, 1.0, 1.0,
                    [this](double value) { mEngine->setMix(static_cast<float>(value)); });
    }

    ~dsp_wrapper() override = default;

    // Makes a smoothed attribute and keeps it in creation order.
    smooth& make_smooth(const korin::attribute_description& description, double minimum,
                        double maximum, double default_value, double_callback callback)
    {
        mSmoothed.push_back(std::make_shared<smooth>(*this, description, minimum, maximum,
                                                     default_value, std::move(callback)));
        mRamps.add(mSmoothed.back()->parameter());
        return *mSmoothed.back();
    }

    // Makes a queued integer attribute, clamped to its range.
    void make_queued(const korin::attribute_description& description, int default_value,
                     int minimum, int maximum, int_callback callback)
    {
        mQueuedAttributes[description.name] =
            std::make_shared<attribute<int, 2, korin::limit::clamp>>(
                *this, description, default_value, minimum, maximum, std::move(callback),
                mRamps.queue());
    }

    // Makes a queued enumeration attribute (main-thread policy), values queued as given.
    template <typename Enumeration>
    void make_queued(const korin::attribute_description& description, Enumeration default_value,
                     std::vector<std::string> value_names, int_callback callback)
    {
        mQueuedAttributes[description.name] =
            std::make_shared<attribute<Enumeration, 0, korin::limit::none>>(
                *this, description, default_value, std::move(value_names), std::move(callback),
                mRamps.queue());
    }

    void set_prepare_callback(std::function<void(double, int)> callback)
    {
        mPrepare = std::move(callback);
    }

    // Ports are made once the concrete class has made its attributes.
    void make_ports()
    {
        static const char* const channel_names[] = {"left channel", "right channel"};
        for (int i = 0; i < input_count; ++i)
        {
            this->inlets().push_back({"signal", i < 2 ? channel_names[i] : "signal"});
        }
        for (int i = 0; i < output_count; ++i)
        {
            this->outlets().push_back({"signal", i < 2 ? channel_names[i] : "signal"});
        }
    }

    // Host hook "dsp64" (main thread, no perform running for this object).
    void dsp64(void* dsp_chain, const short* counts, double sample_rate, long max_vector_size)
    {
        mSampleRate = sample_rate;
        mVectorSize = static_cast<int>(max_vector_size);
        if (counts != nullptr)
        {
            mInputConnected.assign(counts, counts + input_count);
            mOutputConnected.assign(counts + input_count, counts + input_count + output_count);
        }
        mDspSetup({korin::make_atom(sample_rate), korin::make_atom(max_vector_size)});
        auto add = reinterpret_cast<tessel_dsp_add64_method>(
            object_method_direct_getmethod(dsp_chain, korin::symbols::dsp_add64));
        if (add != nullptr)
        {
            add(object_method_direct_getobject(dsp_chain, korin::symbols::dsp_add64),
                this->host_object(), &perform_trampoline, 0, nullptr);
        }
    }

    void perform(korin::audio_bundle input, korin::audio_bundle output) noexcept override
    {
        const denormal_guard flush_to_zero;
        if (mResetRequested.load(std::memory_order_relaxed) &&
            mResetRequested.exchange(false, std::memory_order_acq_rel))
        {
            mEngine->reset();
        }
        mRamps.begin_block();
        const long frames = input.frame_count;
        if (frames < 1 || input.channel_count < input_count || output.channel_count < output_count)
        {
            return;
        }
        const double* left_in = input.channel(0);
        const double* right_in = input.channel(1);
        double* left_out = output.channel(0);
        double* right_out = output.channel(1);
        // While a ramp runs its parameter moves every sample: the engine's frame hook advances
        // the ramps until each has handed out its target. The rest of the block runs with every
        // parameter held. Either way the engine gives the samples of one call per frame.
        const long ramped =
            mRamps.ramping() ? static_cast<long>(std::min<std::uint64_t>(
                                   static_cast<std::uint64_t>(frames), mRamps.samples_to_settle()))
                             : 0;
        if (ramped > 0)
        {
            mEngine->process(
                left_in, right_in, left_out, right_out, static_cast<std::size_t>(ramped),
                Engine::FrameHook::template fromMethod<dsp_wrapper, &dsp_wrapper::advance_ramps>(
                    this));
        }
        if (ramped < frames)
        {
            mEngine->process(left_in + ramped, right_in + ramped, left_out + ramped,
                             right_out + ramped, static_cast<std::size_t>(frames - ramped));
        }
    }

    static void perform_trampoline(void* x, void*, double** ins, long numins, double** outs,
                                   long numouts, long frames, long, void*)
    {
        auto* self = reinterpret_cast<Self*>(static_cast<char*>(x) + korin::host_header_size);
        self->perform({ins, numins, frames}, {outs, numouts, frames});
    }

    Engine& engine() { return *mEngine; }
    double engine_sample_rate() const { return mEngineSampleRate; }
    parameter_queue& queue() { return mRamps.queue(); }
    const std::vector<std::shared_ptr<smooth>>& smoothed() const { return mSmoothed; }
    const std::vector<bool>& input_connected() const { return mInputConnected; }

protected:
    // "setup": the host-version check, run once while the instance is created.
    korin::atoms setup(const korin::atoms&)
    {
        const auto version = static_cast<std::int16_t>(tesselversion() & 0xFFFF);
        if (version < 0x900)
        {
            throw korin::error("Quendra DSP objects require Tessel 9 or later");
        }
        return {};
    }

private:
    void advance_ramps(std::size_t) noexcept { mRamps.advance(); }

    void dsp_setup(const korin::atoms&)
    {
        if (mSampleRate == mEngineSampleRate)
        {
            return;
        }
        mEngineSampleRate = mSampleRate;
        mEngineFactory();
        if (mPrepare)
        {
            mPrepare(mEngineSampleRate, mVectorSize);
        }
        mRamps.prepare(mEngineSampleRate);
        for (korin::attribute_base* each : this->attributes())
        {
            each->set(each->get(), true);
        }
    }

    korin::message<0> mDspSetup;
    korin::message<0> mNumber;
    std::unique_ptr<Engine> mEngine;
    double mEngineSampleRate = 0.0;
    std::function<void()> mEngineFactory;
    std::function<void(double, int)> mPrepare;
    std::vector<bool> mInputConnected = std::vector<bool>(input_count, false);
    std::vector<bool> mOutputConnected = std::vector<bool>(output_count, false);
    std::vector<std::unique_ptr<korin::message_base>> mOwnedMessages;
    std::unordered_map<std::string, std::shared_ptr<attribute_base>> mQueuedAttributes;
    std::vector<std::shared_ptr<smooth>> mSmoothed;
    ramp_set mRamps;
    std::atomic<bool> mResetRequested{false};
};

} // namespace brindle::quendra
