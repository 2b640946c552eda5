// HostTestModule.cpp - the module "hosttest.gain~" for the host tests. It uses only the host
// C API, as any module would, and exports only ext_main.
#include "TestObject.h"

#include <cstring>
#include <new>

namespace
{

tessel_class* gClass = nullptr;
tessel_long gEntryCalls = 0; // reported through the read-only attribute "entries"

HostTestObject* self(void* x)
{
    return static_cast<HostTestObject*>(x);
}

tessel_err getGain(void* x, tessel_attribute*, long* argc, tessel_atom* argv)
{
    *argc = 1;
    return atom_setfloat(argv, self(x)->gain);
}

tessel_err setGain(void* x, tessel_attribute*, long argc, tessel_atom* argv)
{
    if (argc < 1)
        return TESSEL_ERR_GENERIC;
    const double value = atom_getfloat(argv);
    self(x)->gain = value < 0.0 ? 0.0 : (value > 4.0 ? 4.0 : value);
    return TESSEL_ERR_NONE;
}

tessel_err getEntries(void*, tessel_attribute*, long* argc, tessel_atom* argv)
{
    *argc = 1;
    return atom_setlong(argv, gEntryCalls);
}

void number(void* x, double value)
{
    self(x)->lastFloat = value;
    self(x)->floatInlet = proxy_getinlet(x);
}

void deferred(void* x, tessel_symbol*, long, tessel_atom*)
{
    ++self(x)->deferredRuns;
    self(x)->deferredOnMain = systhread_ismainthread() != 0;
}

void later(void* x, tessel_symbol* selector, long argc, tessel_atom* argv)
{
    defer(x, deferred, selector, argc, argv);
}

void qelemRan(void* x)
{
    ++self(x)->qelemRuns;
    self(x)->qelemOnMain = systhread_ismainthread() != 0;
}

void poke(void* x, tessel_symbol*, long, tessel_atom*)
{
    qelem_set(self(x)->qelem);
}

void perform(void* x, void*, double** ins, long numins, double** outs, long numouts, long frames,
             long, void*)
{
    HostTestObject* object = self(x);
    bool distinct = true;
    for (long i = 0; i < numins; ++i)
        for (long o = 0; o < numouts; ++o)
            distinct = distinct && ins[i] != outs[o];
    object->sawDistinctVectors = distinct;
    object->lastFrames = frames;
    for (long c = 0; c < numouts && c < numins; ++c)
        for (long i = 0; i < frames; ++i)
            outs[c][i] = ins[c][i] * object->gain;
    object->performCalls.fetch_add(1, std::memory_order_relaxed);
}

void dsp64(void* x, void* chain, short* count, double samplerate, long maxvectorsize, long)
{
    HostTestObject* object = self(x);
    ++object->dsp64Calls;
    std::memcpy(object->counts, count, sizeof object->counts);
    object->dspSampleRate = samplerate;
    object->dspMaxVector = maxvectorsize;
    auto add = reinterpret_cast<tessel_dsp_add64_method>(
        object_method_direct_getmethod(chain, gensym("dsp_add64")));
    add(object_method_direct_getobject(chain, gensym("dsp_add64")), x, perform, 0, nullptr);
}

void assist(void*, void*, long kind, long index, char* text)
{
    static const char* const kInlets[] = {"left in", "right in"};
    static const char* const kOutlets[] = {"left out", "right out"};
    if (index < 0 || index > 1)
        return;
    std::strncpy(text, kind == TESSEL_ASSIST_INLET ? kInlets[index] : kOutlets[index],
                 TESSEL_ASSIST_MAX - 1);
}

void* newObject(tessel_symbol*, long argc, tessel_atom* argv)
{
    const long leading = attr_args_offset(argc, argv);
    auto* x = static_cast<HostTestObject*>(object_alloc(gClass));
    if (!x)
        return nullptr;
    if (leading > 0 && atom_getsym(argv) == gensym("fail"))
    {
        object_error(nullptr, "refused to start");
        return nullptr;
    }
    new (&x->performCalls) std::atomic<int>(0);
    x->gain = 1.0;
    x->qelem = qelem_new(x, qelemRan);
    z_dsp_setup(&x->header, 2);
    x->header.flags |= TESSEL_SIGNAL_NO_INPLACE;
    outlet_new(x, "signal");
    outlet_new(x, "signal");
    attr_args_process(x, argc, argv);
    return x;
}

void freeObject(void* x)
{
    z_dsp_free(&self(x)->header);
    qelem_free(self(x)->qelem);
}

void addAttribute(const char* name, const char* type, long flags, tessel_attr_getter getter,
                  tessel_attr_setter setter, long offset)
{
    class_addattr(gClass, attr_offset_new(name, gensym(type), flags, getter, setter, offset));
}

} // namespace

extern "C" TESSEL_MODULE_EXPORT void ext_main(void*)
{
    ++gEntryCalls;
    gClass = class_new("hosttest.gain~", newObject, freeObject, sizeof(HostTestObject));
    class_addmethod(gClass, reinterpret_cast<tessel_method>(number), "float", TESSEL_METHOD_FLOAT);
    class_addmethod(gClass, reinterpret_cast<tessel_method>(later), "later",
                    TESSEL_METHOD_TYPED_LIST);
    class_addmethod(gClass, reinterpret_cast<tessel_method>(poke), "poke",
                    TESSEL_METHOD_TYPED_LIST);

    addAttribute("gain", "float64", 0, getGain, setGain, 0);
    class_attr_addattr_format(gClass, "gain", "label", gensym("symbol"), 0, "s",
                              gensym_tr("Output gain"));
    class_attr_addattr_parse(gClass, "gain", "default", gensym("float64"), 0, "1.");
    class_attr_addattr_format(gClass, "gain", "order", gensym("long"), 0, "l", tessel_long{0});
    class_attr_addattr_parse(gClass, "gain", "min", gensym("float64"), 0, "0.");
    class_attr_addattr_parse(gClass, "gain", "max", gensym("float64"), 0, "4.");
    class_attr_addattr_format(gClass, "gain", "category", gensym("symbol"), 0, "c", "Level");

    addAttribute("mode", "long", 0, nullptr, nullptr, offsetof(HostTestObject, mode));
    class_attr_addattr_format(gClass, "mode", "label", gensym("symbol"), 0, "s", gensym_tr("Mode"));
    class_attr_addattr_format(gClass, "mode", "style", gensym("symbol"), 0, "s",
                              gensym("enumindex"));
    class_attr_addattr_parse(gClass, "mode", "enumvals", gensym("atom"), 0,
                             "\"Off\" \"On\" \"Very loud\" ");

    addAttribute("entries", "long", TESSEL_ATTR_SET_OPAQUE_USER, getEntries, nullptr, 0);

    class_addmethod(gClass, reinterpret_cast<tessel_method>(dsp64), "dsp64",
                    TESSEL_METHOD_INTERNAL);
    class_dspinit(gClass);
    class_addmethod(gClass, reinterpret_cast<tessel_method>(assist), "assist",
                    TESSEL_METHOD_INTERNAL);
    if (class_register(gensym("box"), gClass) != TESSEL_ERR_NONE)
        object_error(nullptr, "hosttest.gain~ registered twice");
}
