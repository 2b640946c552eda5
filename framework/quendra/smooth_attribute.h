// A floating-point attribute whose changes reach the engine through a linear ramp (5 ms of
// samples once the engine is prepared): the host-facing attribute in front of a
// smoothed_parameter, which clamps, publishes the target, ramps on the audio thread and calls
// the change callback once per sample while the ramp runs. Getting returns the last value set.
// Construction allocates; begin_block and advance are real-time safe.
#pragma once

#include "../korin/attribute.h"
#include "smoothed_parameter.h"

#include <cstdint>

namespace brindle::quendra
{

template <int layers = 0>
class smooth_attribute
{
public:
    using state = smoothed_parameter::state;

    smooth_attribute(korin::object_base& owner, const korin::attribute_description& description,
                     double minimum, double maximum, double default_value, double_callback callback)
        : mParameter(minimum, maximum, default_value, std::move(callback)),
          mAttribute(owner, description, default_value, minimum, maximum)
    {
        mAttribute.set_setter([this](const korin::atoms& values, int)
                              { return korin::atoms{korin::make_atom(set(values))}; });
        mAttribute.set_getter([this] { return korin::atoms{korin::make_atom(last())}; });
    }

    smooth_attribute(const smooth_attribute&) = delete;
    smooth_attribute& operator=(const smooth_attribute&) = delete;

    // Setting thread: clamps, publishes the target and returns the stored value.
    double set(const korin::atoms& values)
    {
        return mParameter.set(values.empty() ? mParameter.last() : atom_getfloat(&values.front()));
    }

    double last() const { return mParameter.last(); }
    double current() const { return mParameter.current(); }
    double target() const { return mParameter.target(); }
    std::uint64_t remaining() const { return mParameter.remaining(); }
    std::uint64_t ramp_length() const { return mParameter.ramp_length(); }
    state ramp_state() const { return mParameter.ramp_state(); }
    korin::attribute<double, 2, korin::limit::none>& host_attribute() { return mAttribute; }
    smoothed_parameter& parameter() { return mParameter; }

    // Preparation (no audio thread running): new ramp length, pending target taken up.
    void set_ramp_length(std::uint64_t samples) { mParameter.set_ramp_length(samples); }

    // Preparation: hands the value reached to a freshly built engine.
    void push_current() { mParameter.push_current(); }

    // Audio thread, block start: takes up a new target; true when the block must ramp.
    bool begin_block() noexcept { return mParameter.begin_block(); }

    // Audio thread, once per sample of a ramping block.
    void advance() noexcept { mParameter.advance(); }

private:
    smoothed_parameter mParameter;
    korin::attribute<double, 2, korin::limit::none> mAttribute;
};

} // namespace brindle::quendra
