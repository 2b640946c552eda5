/*
 * tessel_api.h - the Tessel host C API a loadable module links against: symbols, atoms,
 * classes, objects, attributes and their metadata, outlets and inlets, paths and files,
 * the console, hand-over of work to the main thread and the host version.
 *
 * Plain C linkage, usable from C and C++. The host implements every call in the shared
 * library `tessel`; a module never sees the host's internals, only these declarations.
 *
 * Threads: "main" is the thread that created the host runtime. Unless a comment says
 * otherwise a call may be made from any thread except the audio thread; none of these calls
 * belongs on the audio path (most of them lock a host mutex or allocate).
 */
#ifndef TESSEL_TESSEL_API_H
#define TESSEL_TESSEL_API_H

#include <stddef.h>
#include <stdint.h>

/* C linkage for every declaration when included from C++. */
#ifdef __cplusplus
#define TESSEL_EXTERN_C_BEGIN                                                                      \
    extern "C"                                                                                     \
    {
#define TESSEL_EXTERN_C_END }
#else
#define TESSEL_EXTERN_C_BEGIN
#define TESSEL_EXTERN_C_END
#endif

TESSEL_EXTERN_C_BEGIN

/* ---------------------------------------------------------------------------------------- */
/* Basic types                                                                              */
/* ---------------------------------------------------------------------------------------- */

typedef int64_t tessel_long;      /* integer atom value */
typedef double tessel_float;      /* floating-point atom value */
typedef long tessel_err;          /* 0 on success, one of TESSEL_ERR_* otherwise */
typedef uint32_t tessel_fourcc;   /* four-character file type code, first character highest */
typedef uint64_t tessel_filedate; /* modification time in nanoseconds since 1970-01-01 UTC */

#define TESSEL_ERR_NONE 0
#define TESSEL_ERR_GENERIC (-1)
#define TESSEL_ERR_INVALID_PTR (-2)
#define TESSEL_ERR_NOT_FOUND (-3)
#define TESSEL_ERR_DUPLICATE (-4)
#define TESSEL_ERR_READ_ONLY (-5)

/* Longest path or file name the path calls read or write, terminating zero included. */
#define TESSEL_PATH_MAX 4096

/* Builds a four-character code: TESSEL_FOURCC('W','A','V','E'). */
#define TESSEL_FOURCC(a, b, c, d)                                                                  \
    ((tessel_fourcc)(((uint32_t)(uint8_t)(a) << 24) | ((uint32_t)(uint8_t)(b) << 16) |             \
                     ((uint32_t)(uint8_t)(c) << 8) | (uint32_t)(uint8_t)(d)))

/* An interned string. gensym returns the same pointer for equal text, for the life of the
 * process, so symbols are compared by identity. Never free or modify one. */
typedef struct tessel_symbol
{
    const char* name;
} tessel_symbol;

/* Atom types. */
#define TESSEL_ATOM_NONE 0
#define TESSEL_ATOM_LONG 1
#define TESSEL_ATOM_FLOAT 2
#define TESSEL_ATOM_SYMBOL 3
#define TESSEL_ATOM_OBJECT 4

/* A typed value: message arguments and attribute values travel as arrays of atoms. */
typedef struct tessel_atom
{
    long type; /* TESSEL_ATOM_* */
    union
    {
        tessel_long l;
        tessel_float f;
        tessel_symbol* s;
        void* o;
    } value;
} tessel_atom;

/* Header every host object begins with (object_alloc writes it). Signal objects begin with
 * the larger tessel_signal_object of tessel_audio.h, whose first member is this header. */
typedef struct tessel_object
{
    struct tessel_class* cls; /* the object's class */
    void* host;               /* host bookkeeping of this instance; do not touch */
    uint32_t magic;           /* TESSEL_OBJECT_MAGIC while the block is a live host object */
    uint32_t reserved;
} tessel_object;

#define TESSEL_OBJECT_MAGIC 0x54534C4FU

/* Opaque host types. */
typedef struct tessel_class tessel_class;
typedef struct tessel_attribute tessel_attribute;
typedef struct tessel_qelem tessel_qelem;
typedef struct tessel_outlet tessel_outlet;

/* ---------------------------------------------------------------------------------------- */
/* Module entry point                                                                       */
/* ---------------------------------------------------------------------------------------- */

/* A module exports exactly one C function, `ext_main`, which the host calls once, on the main
 * thread, right after loading the module file. `resources` is reserved and NULL in this host.
 * Define it as:  TESSEL_MODULE_EXPORT void ext_main(void* resources) { ... }  */
#if defined(__GNUC__)
#define TESSEL_MODULE_EXPORT __attribute__((visibility("default")))
#else
#define TESSEL_MODULE_EXPORT
#endif
typedef void (*tessel_ext_main)(void* resources);

/* ---------------------------------------------------------------------------------------- */
/* Symbols and atoms                                                                        */
/* ---------------------------------------------------------------------------------------- */

/* Interns `name` (copied) and returns its symbol; NULL gives the empty symbol. Any thread,
 * including static initialisation of a module before ext_main. */
tessel_symbol* gensym(const char* name);

/* Like gensym, for user-visible text that the host may translate (labels). This host does not
 * translate: the result is gensym(name). */
tessel_symbol* gensym_tr(const char* name);

/* Atom writers: set the type and the value. Return TESSEL_ERR_INVALID_PTR for a NULL atom. */
tessel_err atom_setlong(tessel_atom* a, tessel_long value);
tessel_err atom_setfloat(tessel_atom* a, double value);
tessel_err atom_setsym(tessel_atom* a, tessel_symbol* value);
tessel_err atom_setobj(tessel_atom* a, void* value);

/* Atom readers with conversion: a float read as long is truncated toward zero, a long read as
 * float is converted; a symbol or object reads as 0. atom_getsym gives the empty symbol for a
 * non-symbol atom. A NULL atom reads as 0 / the empty symbol. */
tessel_long atom_getlong(const tessel_atom* a);
tessel_float atom_getfloat(const tessel_atom* a);
tessel_symbol* atom_getsym(const tessel_atom* a);

/* ---------------------------------------------------------------------------------------- */
/* Classes and methods                                                                      */
/* ---------------------------------------------------------------------------------------- */

/* Instance creation: called on the main thread with the class name and the box's creation
 * arguments (one typed list). Returns the object made with object_alloc, or NULL when the
 * object could not be made (the routine posts its reason with object_error). */
typedef void* (*tessel_new_method)(tessel_symbol* name, long argc, tessel_atom* argv);

/* Instance release: called on the main thread; the host frees the block afterwards. */
typedef void (*tessel_free_method)(void* x);

/* Generic method pointer stored by class_addmethod; cast to the kind's signature. */
typedef void (*tessel_method)(void);

/* Method kinds, i.e. how the host passes the arguments. */
#define TESSEL_METHOD_TYPED_LIST 1 /* tessel_typed_method: selector and all atoms */
#define TESSEL_METHOD_INTERNAL                                                                     \
    2                         /* called by the host (or the module) only, never sent by a          \
                                 patch; signature fixed by the hook's name */
#define TESSEL_METHOD_FLOAT 3 /* tessel_float_method: one number read as double */
#define TESSEL_METHOD_LONG 4  /* tessel_long_method: one number read as long */

typedef void (*tessel_typed_method)(void* x, tessel_symbol* selector, long argc, tessel_atom* argv);
typedef void (*tessel_float_method)(void* x, double value);
typedef void (*tessel_long_method)(void* x, tessel_long value);

/* Internal hook "assist": the host asks for the help text of a port.
 * kind is TESSEL_ASSIST_INLET or TESSEL_ASSIST_OUTLET, index the port index; the method
 * writes at most TESSEL_ASSIST_MAX bytes (terminating zero included) into text, or leaves it
 * untouched (the host passes an empty string). `box` is always NULL in this host. */
#define TESSEL_ASSIST_INLET 1
#define TESSEL_ASSIST_OUTLET 2
#define TESSEL_ASSIST_MAX 256
typedef void (*tessel_assist_method)(void* x, void* box, long kind, long index, char* text);

/* Internal hook "notify": called on a listener attached with object_attach_byptr_register
 * when an attribute of the object it listens to was set through the host
 * (message "attr_modified", sender the object, data the tessel_attribute*). */
typedef tessel_err (*tessel_notify_method)(void* x, tessel_symbol* name_space,
                                           tessel_symbol* message, void* sender, void* data);

/* Makes a class. `size` is the whole block object_alloc gives each instance, header included
 * (sizeof(tessel_signal_object) + the class's own bytes for a signal class). Main thread,
 * during ext_main. Returns NULL when name is empty or any routine is NULL. */
tessel_class* class_new(const char* name, tessel_new_method new_method,
                        tessel_free_method free_method, size_t size);

/* Adds a method under `name` with a kind TESSEL_METHOD_*. A later method of the same name
 * replaces an earlier one. Main thread, before class_register. */
tessel_err class_addmethod(tessel_class* c, tessel_method method, const char* name, long kind);

/* Registers the class in a name space; only gensym("box") (patch objects) is known. After this
 * the class can be instantiated and is never unregistered. A second class of the same name in
 * the same name space is refused with TESSEL_ERR_DUPLICATE. Main thread. */
tessel_err class_register(tessel_symbol* name_space, tessel_class* c);

/* ---------------------------------------------------------------------------------------- */
/* Attributes                                                                               */
/* ---------------------------------------------------------------------------------------- */

/* Accessors. The host calls them with the object, the attribute and atoms, on the thread
 * that reads or sets the attribute.
 * Getter: on entry *argc is the capacity of argv (at least TESSEL_ATTR_GET_CAPACITY atoms,
 * owned by the host); the getter writes at most that many atoms and sets *argc to the count.
 * Setter: receives the new value's atoms; returns TESSEL_ERR_NONE when it accepted them. */
#define TESSEL_ATTR_GET_CAPACITY 256
typedef tessel_err (*tessel_attr_getter)(void* x, tessel_attribute* attr, long* argc,
                                         tessel_atom* argv);
typedef tessel_err (*tessel_attr_setter)(void* x, tessel_attribute* attr, long argc,
                                         tessel_atom* argv);

/* Attribute flags. The *_OPAQUE_USER flags hide the attribute from patch and inspector access
 * (a read-only attribute for the user); the *_OPAQUE flags refuse access from any caller. */
#define TESSEL_ATTR_FLAGS_NONE 0
#define TESSEL_ATTR_GET_OPAQUE 0x01
#define TESSEL_ATTR_SET_OPAQUE 0x02
#define TESSEL_ATTR_GET_OPAQUE_USER 0x04
#define TESSEL_ATTR_SET_OPAQUE_USER 0x08

/* Makes an attribute description (not yet part of any class).
 * type: gensym of "long", "float64", "float32", "symbol", "atom" or "time".
 * getter/setter: accessors. When both are NULL the host reads and writes the value in place
 * at `offset` bytes from the start of the object (types long (a tessel_long), float64,
 * float32 and symbol only). When only one is given, the other direction is refused.
 * Returns NULL on a bad name or type. */
tessel_attribute* attr_offset_new(const char* name, tessel_symbol* type, long flags,
                                  tessel_attr_getter getter, tessel_attr_setter setter,
                                  long offset);

/* Adds the attribute to the class; the class owns it from now on. Attributes keep the order in
 * which they were added. A second attribute of the same name is refused (TESSEL_ERR_DUPLICATE,
 * and the attribute is freed). Main thread, before class_register. */
tessel_err class_addattr(tessel_class* c, tessel_attribute* attr);

/* Adds a time-valued attribute, stored by the host per instance (no accessors), with style
 * "time" and the given label. Its value is a list of atoms kept as set. */
tessel_err class_time_addattr(tessel_class* c, const char* attrname, const char* label, long flags);

/* Attribute metadata ("attribute attributes": label, style, default, category, order, min,
 * max, enumvals, ...). Each call sets the metadatum `attrattrname` of the class attribute
 * `attrname`, replacing an earlier one of the same name; the host keeps them in order of first
 * registration. `type` (gensym of "long", "float64", "symbol", "atom") says how the host shows
 * the value; flags are reserved (pass 0).
 *
 * _format: the values come from the variadic arguments, one per character of fmt:
 *   'l' tessel_long, 'i' int (read as long), 'd' double, 's' tessel_symbol*,
 *   'c' const char* (interned as a symbol).
 * _parse: the values come from text split into atoms like box text: integers, floats,
 *   symbols, and "double-quoted" runs as single symbols (without the quotes).
 * _atoms: the values are copied from argv. */
tessel_err class_attr_addattr_format(tessel_class* c, const char* attrname,
                                     const char* attrattrname, tessel_symbol* type, long flags,
                                     const char* fmt, ...);
tessel_err class_attr_addattr_parse(tessel_class* c, const char* attrname, const char* attrattrname,
                                    tessel_symbol* type, long flags, const char* text);
tessel_err class_attr_addattr_atoms(tessel_class* c, const char* attrname, const char* attrattrname,
                                    tessel_symbol* type, long flags, long argc, tessel_atom* argv);

/* Sets an attribute of an object through the host's attribute bookkeeping: finds the class
 * attribute, calls its setter (or writes the value in place), then calls "notify" on every
 * listener attached to the object. Refused only for TESSEL_ATTR_SET_OPAQUE attributes.
 * Unknown names give TESSEL_ERR_NOT_FOUND (nothing is posted). Any thread but the audio
 * thread; the setter runs on the calling thread. */
tessel_err object_attr_setvalueof(void* x, tessel_symbol* attrname, long argc, tessel_atom* argv);

/* Number of leading creation arguments before the first symbol that begins with '@'
 * (argc when there is none). */
long attr_args_offset(long argc, const tessel_atom* argv);

/* Applies every "@name values..." group of the creation arguments in order, each through
 * object_attr_setvalueof. Arguments before the first '@' symbol are skipped. A group naming an
 * unknown attribute, or with no values, is reported on the console and skipped. */
void attr_args_process(void* x, long argc, const tessel_atom* argv);

/* ---------------------------------------------------------------------------------------- */
/* Objects, outlets, inlets                                                                 */
/* ---------------------------------------------------------------------------------------- */

/* Allocates a zero-filled, 64-byte aligned instance block of the class's size and writes its
 * tessel_object header. Call it from the class's creation routine. Returns NULL for an
 * unregistered class. If the creation routine then returns NULL, the host reclaims the block
 * (without calling the free routine). */
void* object_alloc(tessel_class* c);

/* Frees an object made with object_alloc: calls the class's free routine, then releases the
 * block. For the host and for modules that make helper objects; main thread. */
void object_free(void* x);

/* Attaches `listener` to `target` for notifications in a name space (gensym("box")); from
 * then on attribute sets on target call listener's internal "notify" method, if it has one.
 * Attaching twice is harmless. A listener may be the target itself. */
tessel_err object_attach_byptr_register(void* listener, void* target, tessel_symbol* name_space);

/* Looks up the method `name` of an object's class (any method kind) for a direct call; NULL
 * if there is none. Works on host objects too (the dsp chain object, tessel_audio.h). */
tessel_method object_method_direct_getmethod(void* x, tessel_symbol* name);

/* The object to pass as the first argument of the method found by
 * object_method_direct_getmethod: the object itself in this host, NULL if it has no method
 * of that name. */
void* object_method_direct_getobject(void* x, tessel_symbol* name);

/* Adds an outlet of the given type ("signal" for audio, NULL or other text for messages) to
 * the LEFT of the outlets already made: make them from the last to the first. Returns its
 * handle (owned by the host, freed with the object). Main thread, while creating the object. */
tessel_outlet* outlet_new(void* x, const char* type);

/* The index of the inlet at which the message currently being delivered to x (on the calling
 * thread) arrived; 0 when no message is being delivered to x on this thread. */
long proxy_getinlet(void* x);

/* ---------------------------------------------------------------------------------------- */
/* Threads and the main queue                                                               */
/* ---------------------------------------------------------------------------------------- */

/* Non-zero on the host's main thread (the thread that created the runtime), 0 elsewhere. */
int systhread_ismainthread(void);

/* Queues fn(x, selector, argc, argv) for the main thread; the atoms are copied. It runs when
 * the host next services its main queue, in the order queued. Any thread. Returns
 * TESSEL_ERR_NONE. Pending calls for an object are dropped when the object is freed. */
typedef void (*tessel_defer_method)(void* x, tessel_symbol* selector, long argc, tessel_atom* argv);
tessel_err defer(void* x, tessel_defer_method fn, tessel_symbol* selector, long argc,
                 const tessel_atom* argv);

/* Queue elements: a callback fn(x) that qelem_set schedules on the main thread. Setting an
 * element that is already pending does nothing more: it runs once per service. */
typedef void (*tessel_qelem_method)(void* x);
tessel_qelem* qelem_new(void* x, tessel_qelem_method fn); /* any thread, allocates */
void qelem_set(tessel_qelem* q);                          /* any thread but the audio thread */
void qelem_free(tessel_qelem* q); /* cancels a pending run and releases the element */

/* ---------------------------------------------------------------------------------------- */
/* Console and version                                                                      */
/* ---------------------------------------------------------------------------------------- */

/* Formats printf-style and posts the text as one error line on the host console, tagged with
 * the class of x (x may be NULL). Any thread but the audio thread. */
void object_error(void* x, const char* fmt, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

/* The host version, in hexadecimal digits: 0x0900 is version 9.0.0. The low 16 bits carry
 * major, minor and bug-fix digits. */
long tesselversion(void);

/* Non-zero when the host runs with a fixed random seed (reproducible renders), which is then
 * written to *seed; 0 otherwise (*seed untouched). */
long sys_getrandomseed(uint32_t* seed);

/* ---------------------------------------------------------------------------------------- */
/* Paths and files                                                                          */
/* ---------------------------------------------------------------------------------------- */

/* A path id names one folder on the file system (ids are > 0; 0 means none). Names are plain
 * file or folder names inside that folder. */

/* File types. */
#define TESSEL_FILETYPE_MODULE TESSEL_FOURCC('T', 'X', 'M', 'D') /* a module file, *.so */
#define TESSEL_FILETYPE_FOLDER TESSEL_FOURCC('f', 'o', 'l', 'd')
#define TESSEL_FILETYPE_WAVE TESSEL_FOURCC('W', 'A', 'V', 'E') /* .wav .wave */
#define TESSEL_FILETYPE_AIFF TESSEL_FOURCC('A', 'I', 'F', 'F') /* .aif .aiff */
#define TESSEL_FILETYPE_FLAC TESSEL_FOURCC('F', 'L', 'A', 'C') /* .flac */
#define TESSEL_FILETYPE_MP3 TESSEL_FOURCC('M', 'p', '3', ' ')  /* .mp3 */
#define TESSEL_FILETYPE_M4A TESSEL_FOURCC('M', '4', 'a', ' ')  /* .m4a */
#define TESSEL_FILETYPE_CAF TESSEL_FOURCC('C', 'A', 'F', ' ')  /* .caf */

/* Finds a file or folder by name and type.
 * name: in: a plain name searched in each folder of the search path in order, or a path
 *   containing '/' (absolute, or relative to the working directory) checked directly;
 *   out (on success): the plain name of what was found. Buffer of TESSEL_PATH_MAX bytes.
 *   A module file is also found by its name without the ".so" extension (class name).
 * typelist/numtypes: the accepted types; numtypes 0 accepts every type (files whose extension
 *   has no type report type 0).
 * Writes the id of the containing folder to *outpath and the type to *outtype.
 * Returns 0 when found, non-zero otherwise. */
short locatefile_extended(char* name, short* outpath, tessel_fourcc* outtype,
                          const tessel_fourcc* typelist, short numtypes);

/* Path name styles for path_nameconform. */
#define TESSEL_PATH_STYLE_NATIVE 0   /* separators unified to '/', no trailing '/' */
#define TESSEL_PATH_STYLE_ABSOLUTE 1 /* as NATIVE, and made absolute against the working dir */

/* Conforms a path name to a style into dst (TESSEL_PATH_MAX bytes). Returns 0 on success. */
short path_nameconform(const char* src, char* dst, long style);

/* Resolves an absolute (or working-directory relative) path name to a path id. If it names a
 * folder: that folder's id, and `filename` (TESSEL_PATH_MAX bytes, may be NULL) becomes "".
 * If it names something else or nothing: the id of its parent folder (which must exist) and
 * `filename` gets the last component. Returns 0 on success, non-zero if no folder exists. */
short path_frompathname(const char* name, short* path, char* filename);

/* Creates the folder `name` inside the folder `path` and writes its id to *newpath.
 * Returns 0 on success (also when it already exists as a folder), non-zero otherwise. */
short path_createfolder(short path, const char* name, short* newpath);

/* Writes the absolute file-system path of `filename` in folder `path` to dst (TESSEL_PATH_MAX
 * bytes); an empty filename gives the folder itself. Returns 0 on success. */
short path_toabsolutesystempath(short path, const char* filename, char* dst);

/* Modification date of the file `filename` in folder `path` / of the folder `path` itself.
 * Returns 0 and a non-zero date on success, non-zero when it cannot be read. */
short path_getfilemoddate(const char* filename, short path, tessel_filedate* date);
short path_getmoddate(short path, tessel_filedate* date);

TESSEL_EXTERN_C_END

#endif /* TESSEL_TESSEL_API_H */
