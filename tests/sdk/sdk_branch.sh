#!/usr/bin/env bash
# Builds the 64-bit Windows plug-in against a tiny fake of the host SDK's c74support folder,
# made here, so the -DMAX_SDK_DIR branch cannot rot while nobody here has the SDK. The fake
# declares what the branch uses, in the SDK's own way, and carries the kinds of warnings the
# real headers raise (an unused static function, an unknown pragma, a redefined macro): the
# build must pass them because the SDK is included as system headers. It is no kinder than
# the real one: the critical region is declared in its own ext_critical.h, which ext.h does
# not include, and ext.h brings in a system header that defines `interface` as `struct`, as
# windows.h does. It has no import library, so the build must fall back to the project's own.
#   sdk_branch.sh SOURCE_DIR OBJDUMP
set -euo pipefail
source_dir=$1 objdump=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sdk=$work/c74support
mkdir -p "$sdk/max-includes"

# What windows.h does to the word, for COM's sake.
printf '#pragma once\n#define interface struct\n' >"$sdk/max-includes/ext_windows_shim.h"

cat >"$sdk/max-includes/ext.h" <<'HEADER'
#pragma once
#pragma warning(disable : 4996)
#include <stddef.h>
#include <stdint.h>
#include "ext_windows_shim.h"
#define WIN_VERSION 1
#define WIN_VERSION 1
#ifdef __cplusplus
#define BEGIN_USING_C_LINKAGE extern "C" {
#define END_USING_C_LINKAGE }
#else
#define BEGIN_USING_C_LINKAGE
#define END_USING_C_LINKAGE
#endif
#define C74_EXPORT __declspec(dllexport)
BEGIN_USING_C_LINKAGE
typedef int64_t t_atom_long;
typedef double t_atom_float;
typedef intptr_t t_max_err;
typedef void *(*method)(void *);
typedef struct object { void *o_messlist; intptr_t o_magic; void *o_inlet; void *o_outlet; } t_object;
typedef struct symbol { char *s_name; t_object *s_thing; } t_symbol;
typedef union word { t_atom_long w_long; t_atom_float w_float; t_symbol *w_sym; t_object *w_obj; } word;
typedef struct atom { short a_type; union word a_w; } t_atom;
typedef struct maxclass t_class;
enum e_max_atomtypes { A_NOTHING = 0, A_LONG, A_FLOAT, A_SYM, A_OBJ, A_DEFLONG, A_DEFFLOAT, A_DEFSYM, A_GIMME, A_CANT };
enum { ASSIST_INLET = 1, ASSIST_OUTLET };
static void sdk_helper_nobody_calls(void) {}
t_class *class_new(const char *name, const method mnew, const method mfree, long size, const method mmenu, short type, ...);
t_max_err class_addmethod(t_class *c, const method m, const char *name, ...);
t_max_err class_register(t_symbol *name_space, t_class *c);
t_symbol *gensym(const char *s);
void *object_alloc(t_class *c);
void *floatin(void *x, short n);
void *outlet_new(void *x, const char *s);
void *outlet_anything(void *o, t_symbol *s, short ac, t_atom *av);
t_max_err atom_setfloat(t_atom *a, double b);
t_max_err atom_setlong(t_atom *a, t_atom_long b);
t_max_err atom_setsym(t_atom *a, t_symbol *b);
void object_post(t_object *x, const char *s, ...);
void object_error(t_object *x, const char *s, ...);
C74_EXPORT void ext_main(void *r);
END_USING_C_LINKAGE
HEADER
printf '#pragma once\n#include "ext.h"\n' >"$sdk/max-includes/ext_obex.h"

cat >"$sdk/max-includes/ext_critical.h" <<'HEADER'
#pragma once
#include "ext.h"
BEGIN_USING_C_LINKAGE
typedef struct _critical_section_opaque *t_critical;
void critical_new(t_critical *x);
void critical_enter(t_critical x);
void critical_exit(t_critical x);
void critical_free(t_critical x);
END_USING_C_LINKAGE
HEADER

cmake -S "$source_dir" -B "$work/build" --toolchain "$source_dir/cmake/toolchains/mingw-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DMAX_SDK_DIR="$sdk" -DVORN_WINDOWS_OUTPUT_DIR="$work/out" >"$work/configure.log" 2>&1 ||
  { cat "$work/configure.log"; exit 1; }
cmake --build "$work/build" --target Vorn -j 2 >"$work/build.log" 2>&1 || { cat "$work/build.log"; exit 1; }
grep -q "VORN_USE_MAX_SDK" "$work/build/CMakeFiles/Vorn.dir/flags.make" ||
  { echo "the plug-in was not built against the SDK headers"; exit 1; }
"$source_dir/tests/windows/check_plugin.sh" "$objdump" "$work/out/Vorn.mxe64" pei-x86-64
