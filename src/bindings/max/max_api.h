// The subset of the Max host API that Vorn uses, declared by this project so that the
// build never needs the host's SDK. Binary layout follows the host on 32- and 64-bit
// Windows; the same declarations serve the stand-in host on Linux.
#pragma once

#if defined(_WIN32)
#define VORN_EXPORT __declspec(dllexport)
#else
#define VORN_EXPORT __attribute__((visibility("default")))
#endif

#ifdef VORN_USE_MAX_SDK
// ext.h leaves the critical region to its own header. The SDK brings in windows.h, whose
// `interface` macro is why no name of ours is that word.
#include "ext.h"
#include "ext_critical.h"
#include "ext_obex.h"
#else

#include <cstddef>
#include <cstdint>

#if INTPTR_MAX == INT64_MAX
#define VORN_ATOM_64 1
#else
#define VORN_ATOM_64 0
#endif

extern "C" {

#if VORN_ATOM_64
typedef std::int64_t t_atom_long;
typedef double t_atom_float;
#else
typedef std::int32_t t_atom_long;
typedef float t_atom_float;
#endif
typedef std::intptr_t t_max_err;
typedef void *(*method)(void *);

enum e_max_atomtypes {
    A_NOTHING = 0, A_LONG = 1, A_FLOAT = 2, A_SYM = 3, A_OBJ = 4,
    A_DEFLONG = 5, A_DEFFLOAT = 6, A_DEFSYM = 7, A_GIMME = 8, A_CANT = 9,
    A_SEMI = 10, A_COMMA = 11, A_DOLLAR = 12, A_DOLLSYM = 13, A_GIMMEBACK = 14,
};

enum { ASSIST_INLET = 1, ASSIST_OUTLET = 2 };

#if !VORN_ATOM_64
#pragma pack(push, 2)
#endif

struct t_object;

typedef struct t_symbol {
    char *s_name;
    t_object *s_thing;
} t_symbol;

typedef union word {
    t_atom_long w_long;
    t_atom_float w_float;
    t_symbol *w_sym;
    t_object *w_obj;
} word;

typedef struct t_atom {
    short a_type;
    word a_w;
} t_atom;

typedef struct t_object {
    void *o_messlist;
    std::intptr_t o_magic;
    void *o_inlet;
    void *o_outlet;
} t_object;

#if !VORN_ATOM_64
#pragma pack(pop)
#endif

typedef struct t_class t_class;
// A recursive lock of the host's; its record is the host's own.
typedef struct t_critical_region *t_critical;

#if VORN_ATOM_64
static_assert(sizeof(t_atom) == 16 && offsetof(t_atom, a_w) == 8, "64-bit atom layout");
static_assert(sizeof(t_object) == 32, "64-bit object header");
static_assert(sizeof(t_symbol) == 16, "64-bit symbol");
#else
static_assert(sizeof(t_atom) == 6 && offsetof(t_atom, a_w) == 2, "32-bit atom layout");
static_assert(alignof(t_atom) == 2, "32-bit atom alignment");
static_assert(sizeof(t_object) == 16, "32-bit object header");
static_assert(sizeof(t_symbol) == 8, "32-bit symbol");
#endif
static_assert(offsetof(t_object, o_outlet) == 3 * sizeof(void *), "object header order");

t_class *class_new(const char *name, method create, method teardown, long size, method menu, short type, ...);
t_max_err class_addmethod(t_class *c, method fn, const char *selector, ...);
t_max_err class_register(t_symbol *name_space, t_class *c);
t_symbol *gensym(const char *text);
void *object_alloc(t_class *c);
t_max_err object_free(void *x);
void *floatin(void *x, short n);
void *outlet_new(void *x, const char *type);
void *outlet_anything(void *outlet, t_symbol *selector, short argc, t_atom *argv);
t_max_err atom_setfloat(t_atom *a, double value);
t_max_err atom_setlong(t_atom *a, t_atom_long value);
t_max_err atom_setsym(t_atom *a, t_symbol *value);
t_atom_float atom_getfloat(const t_atom *a);
t_atom_long atom_getlong(const t_atom *a);
void object_post(t_object *x, const char *format, ...);
void object_error(t_object *x, const char *format, ...);
void critical_new(t_critical *region);
void critical_enter(t_critical region);
void critical_exit(t_critical region);
void critical_free(t_critical region);
char *sysmem_newptr(std::size_t size);
void sysmem_freeptr(void *ptr);

}  // extern "C"

#endif
