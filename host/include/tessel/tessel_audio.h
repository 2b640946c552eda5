/*
 * tessel_audio.h - the Tessel host's signal-processing C API: the signal-object header, class
 * set-up for signal processing, the dsp chain ("dsp64" / "dsp_add64"), and the host's sample
 * rate and block size. Audio is 64-bit float, one array per channel.
 *
 * The perform routine a module registers runs on the audio thread: the host calls it without
 * holding any lock and without allocating.
 */
#ifndef TESSEL_TESSEL_AUDIO_H
#define TESSEL_TESSEL_AUDIO_H

#include "tessel/tessel_api.h"

TESSEL_EXTERN_C_BEGIN

/* Header every instance of a signal class begins with (in place of the plain tessel_object).
 * 64 bytes, and object_alloc aligns the block to 64 bytes, so the class's own bytes that follow
 * the header (at offset sizeof(tessel_signal_object)) are 64-byte aligned too. */
typedef struct tessel_signal_object
{
    tessel_object ob;   /* plain object header, first */
    long signal_inlets; /* written by z_dsp_setup */
    long flags;         /* TESSEL_SIGNAL_* flags; the object may set them after z_dsp_setup */
    /* pads the header to 64 bytes, whatever the size of long (8 bytes on Linux, 4 on Windows) */
    char reserved[64 - sizeof(tessel_object) - 2 * sizeof(long)];
} tessel_signal_object;

/* The object requires distinct input and output vectors in its perform routine. This host
 * always passes distinct vectors; the flag is honoured regardless. */
#define TESSEL_SIGNAL_NO_INPLACE 0x01

/* Prepares a class for signal processing: its instances begin with tessel_signal_object and
 * take part in the dsp chain. Main thread, during ext_main, before class_register. */
void class_dspinit(tessel_class* c);

/* Sets up the signal-object header of a new instance with its number of signal inlets.
 * Call it from the creation routine, after object_alloc. */
void z_dsp_setup(tessel_signal_object* x, long signal_inlets);

/* Releases the signal-object header: the host removes the object from the dsp chain and never
 * calls its perform routine again. Call it first in the free routine. Main thread. */
void z_dsp_free(tessel_signal_object* x);

/* The host's current sample rate (Hz) and block size (samples per perform call at most). */
double sys_getsr(void);
long sys_getblksize(void);

/* Perform routine, called once per audio block on the audio thread.
 * ins/outs: numins / numouts channel arrays of sampleframes samples (distinct memory);
 * flags: reserved, 0; userparam: as given to dsp_add64. */
typedef void (*tessel_perform64_method)(void* x, void* dsp_chain, double** ins, long numins,
                                        double** outs, long numouts, long sampleframes, long flags,
                                        void* userparam);

/* Internal hook "dsp64", called by the host on the main thread when it builds its dsp chain.
 * dsp_chain: the chain object (see "dsp_add64" below); count: one connection count per port,
 * signal inlets first then signal outlets (0 = nothing connected); samplerate: Hz;
 * maxvectorsize: most samples per perform call; flags: reserved, 0. */
typedef void (*tessel_dsp64_method)(void* x, void* dsp_chain, short* count, double samplerate,
                                    long maxvectorsize, long flags);

/* Method "dsp_add64" of the dsp chain object, found with
 * object_method_direct_getmethod(dsp_chain, gensym("dsp_add64")) and called with
 * object_method_direct_getobject(dsp_chain, gensym("dsp_add64")) as first argument: registers
 * the perform routine of x for this chain (replacing an earlier one). flags: reserved, 0. */
typedef void (*tessel_dsp_add64_method)(void* dsp_chain, void* x, tessel_perform64_method perform,
                                        long flags, void* userparam);

TESSEL_EXTERN_C_END

#endif /* TESSEL_TESSEL_AUDIO_H */
