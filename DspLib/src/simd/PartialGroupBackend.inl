// A wide backend of the partial group: the kernels instantiated with the backend's pack
// GroupPack, and the table of its entry points. No include guard: each backend's translation
// unit includes it into its own namespace, under its own instruction set, after naming its pack.
// The arithmetic first, then the kernels built on it.
#include "quendra/dsp/simd/GrainMath.inl"

#include "GroupArithmetic.inl"
#include "GroupFields.inl"

#include "GroupUpdateKernels.inl"
#include "SpectrumAddKernels.inl"

const GroupBackend kGroupBackend = {
    &addToSpectrumOf<GroupPack>,
    &addFourToSpectrumOf<GroupPack>,
    &addToBothSpectraOf<GroupPack>,
    &updateBatchOf<GroupPack>,
};
