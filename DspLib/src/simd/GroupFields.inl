// How a wide kernel reads and writes its groups' state: a pack of P::kLanes lanes holds the
// same field of P::kLanes / 4 groups, group i in lanes 4i .. 4i + 3. Consecutive groups are
// one aligned run of the field's array in PartialGroupState; the groups of a list (the audible
// ones a synthesis batch picks) are gathered from their places in it. No include guard:
// included into each wide backend's namespace (see PartialGroupBackend.inl).

template <LanePack P>
constexpr int kGroupsPerPack = P::kLanes / 4;

// One of the state's per-group vec4 arrays.
using GroupField = PartialGroupState::PerGroup<vec4> PartialGroupState::*;

// The field of the pack's groups from group `first` on (a multiple of kGroupsPerPack<P>).
template <LanePack P>
[[gnu::always_inline]] inline P loadRun(const PartialGroupState& state, GroupField field,
                                        std::size_t first) noexcept
{
    return P::loadAligned(reinterpret_cast<const float*>(&(state.*field)[first]));
}

template <LanePack P>
[[gnu::always_inline]] inline void storeRun(PartialGroupState& state, GroupField field,
                                            std::size_t first, P value) noexcept
{
    value.storeAligned(reinterpret_cast<float*>(&(state.*field)[first]));
}

// storeRun() of the lanes in keep (a bit per lane), the others left as they are.
template <LanePack P>
[[gnu::always_inline]] inline void keepRun(PartialGroupState& state, GroupField field,
                                           std::size_t first, unsigned keep, P value) noexcept
{
    if (keep != (1u << P::kLanes) - 1)
        value = select(P::maskFromBits(keep), value, loadRun<P>(state, field, first));
    storeRun(state, field, first, value);
}

// The field of the pack's groups from a list of indices, entry i in lanes 4i .. 4i + 3.
template <LanePack P>
[[gnu::always_inline]] inline P loadEach(const PartialGroupState& state, const std::size_t* indices,
                                         GroupField field) noexcept
{
    const vec4* quarters[kGroupsPerPack<P>];
    for (int i = 0; i < kGroupsPerPack<P>; ++i)
        quarters[i] = &(state.*field)[indices[i]];
    return P::fromQuarters(quarters);
}

// Whole groups of lanes: all four bits of group i where any of them is set in laneBits.
template <LanePack P>
[[gnu::always_inline]] inline unsigned wholeGroups(unsigned laneBits) noexcept
{
    unsigned groups = 0;
    for (int i = 0; i < kGroupsPerPack<P>; ++i)
        groups |= ((laneBits >> (4 * i)) & 0xfu) != 0 ? 0xfu << (4 * i) : 0u;
    return groups;
}
