// How a wide kernel reads and writes its groups' state: a pack of P::kLanes lanes holds the
// same vec4 field of P::kLanes / 4 groups, group i in lanes 4i .. 4i + 3, gathered from the
// groups by name (the order of the fields in a group is no concern of the kernels). No include
// guard: included into each wide backend's namespace (see PartialGroupBackend.inl).

template <LanePack P>
constexpr int kGroupsPerPack = P::kLanes / 4;

// Group i of consecutive groups, or of a list of them.
[[gnu::always_inline]] inline PartialGroup& groupAt(PartialGroup* groups, int i) noexcept
{
    return groups[i];
}
[[gnu::always_inline]] inline const PartialGroup& groupAt(const PartialGroup* const* groups,
                                                          int i) noexcept
{
    return *groups[i];
}

// A vec4 field of a group or of its Granular state.
template <typename Group>
[[gnu::always_inline]] inline auto& fieldOf(Group& g, vec4 PartialGroup::*field) noexcept
{
    return g.*field;
}
template <typename Group>
[[gnu::always_inline]] inline auto& fieldOf(Group& g, vec4 GranularState::*field) noexcept
{
    return g.mGranular.*field;
}

// A field of the pack's groups, group i in lanes 4i .. 4i + 3.
template <LanePack P, typename Groups, typename Field>
[[gnu::always_inline]] inline P loadGroups(Groups groups, Field field) noexcept
{
    const vec4* quarters[kGroupsPerPack<P>];
    for (int i = 0; i < kGroupsPerPack<P>; ++i)
        quarters[i] = &fieldOf(groupAt(groups, i), field);
    return P::fromQuarters(quarters);
}

template <LanePack P, typename Field, int... I>
[[gnu::always_inline]] inline void storeGroups(PartialGroup* g, Field field, P value,
                                               std::integer_sequence<int, I...>) noexcept
{
    ((fieldOf(g[I], field) = quarter<I>(value)), ...);
}

template <LanePack P, typename Field>
[[gnu::always_inline]] inline void storeGroups(PartialGroup* g, Field field, P value) noexcept
{
    storeGroups(g, field, value, std::make_integer_sequence<int, kGroupsPerPack<P>>{});
}
