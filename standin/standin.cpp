#include "standin.h"

#include "recursive_lock.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr std::intptr_t object_magic = 1758379419;

struct Method {
    method fn;
    std::vector<short> codes;
};

struct Class {
    std::string name;
    method create;
    method teardown;
    long size;
    std::map<const t_symbol *, Method> methods;
};

struct Object;

struct Outlet {
    Object *owner;
};

// What the host keeps for each box besides its record: inlets and outlets, left to right.
struct Object {
    Class *cls;
    std::vector<short> float_inlets;
    std::vector<std::unique_ptr<Outlet>> outlets;
};

struct Host {
    // Boxes may be called from two threads at once, as the host's scheduler and main
    // threads do; the symbol table is shared by all of them.
    RecursiveLock symbols_lock;
    std::map<std::string, std::unique_ptr<t_symbol>> symbols;
    std::vector<std::unique_ptr<Class>> classes;
    std::map<std::string, Class *> registered;
    standin_sink sink = nullptr;
    bool quiet = false;
    void *sink_context = nullptr;
    int record_fill = 0;
};

int fill_from_environment() {
    const char *text = std::getenv("STANDIN_RECORD_FILL");
    return text ? static_cast<int>(std::strtol(text, nullptr, 0)) & 0xFF : 0;
}

Host &host() {
    static Host *h = [] {
        Host *made = new Host;  // outlives every box, also those freed at exit
        made->record_fill = fill_from_environment();
        return made;
    }();
    return *h;
}

// As in the real hosts, outlet calls and console lines from two threads run at once: the
// patch behind the sink (a driver's, a test's) takes its own locks. stdio writes each line whole.
void emit(const std::string &line) {
    const Host &h = host();
    if (h.sink)
        h.sink(h.sink_context, line.c_str());
    else
        std::printf("%s\n", line.c_str());
}

// Handlers are kept as the generic method type and called with the shape their codes give.
template <typename Handler>
Handler as_handler(method m) {
    return reinterpret_cast<Handler>(reinterpret_cast<void (*)()>(m));
}

Object *extras_of(void *x) { return static_cast<Object *>(static_cast<t_object *>(x)->o_inlet); }

std::string atoms_text(long argc, const t_atom *argv) {
    std::string text;
    char buffer[64];
    for (long i = 0; i < argc; ++i) {
        standin_format_atom(&argv[i], buffer, sizeof buffer);
        text += ' ';
        text += buffer;
    }
    return text;
}

std::vector<short> read_codes(short first, std::va_list args) {
    std::vector<short> codes;
    for (int code = first; code != A_NOTHING; code = va_arg(args, int)) codes.push_back(static_cast<short>(code));
    return codes;
}

t_atom_long to_long(const t_atom &a) {
    if (a.a_type == A_LONG) return a.a_w.w_long;
    if (a.a_type != A_FLOAT) return 0;
    const double v = std::trunc(static_cast<double>(a.a_w.w_float));
    constexpr double limit = 0x1p63;
    if (!(v > -limit && v < limit)) return 0;
    return static_cast<t_atom_long>(static_cast<long long>(v));
}

double to_double(const t_atom &a) {
    if (a.a_type == A_LONG) return static_cast<double>(a.a_w.w_long);
    if (a.a_type == A_FLOAT) return a.a_w.w_float;
    return 0;
}

void not_understood(const t_symbol *selector) {
    emit(std::string("error: doesn't understand \"") + selector->s_name + "\"");
}

// Calls a handler with the C shape its argument codes give it; a missing argument is 0.
void dispatch(void *x, const Method &m, t_symbol *selector, long argc, t_atom *argv) {
    const t_atom none{};
    const t_atom &first = argc > 0 ? argv[0] : none;
    if (m.codes.empty()) {
        as_handler<void (*)(void *)>(m.fn)(x);
        return;
    }
    switch (m.codes[0]) {
    case A_GIMME:
        as_handler<void (*)(void *, t_symbol *, long, t_atom *)>(m.fn)(x, selector, argc, argv);
        break;
    case A_LONG:
    case A_DEFLONG:
        as_handler<void (*)(void *, t_atom_long)>(m.fn)(x, to_long(first));
        break;
    case A_FLOAT:
    case A_DEFFLOAT:
        as_handler<void (*)(void *, double)>(m.fn)(x, to_double(first));
        break;
    case A_SYM:
    case A_DEFSYM:
        as_handler<void (*)(void *, t_symbol *)>(m.fn)(
            x, first.a_type == A_SYM ? first.a_w.w_sym : gensym(""));
        break;
    default:
        not_understood(selector);
    }
}

bool callable_by_message(const Method &m) {
    return m.codes.empty() || (m.codes.size() == 1 && m.codes[0] != A_CANT);
}

}  // namespace

extern "C" {

// The argument codes are not read: creation always receives the whole list. Reading them
// would need va_start after a `short`, which is undefined behaviour, and the declared shape
// must stay as the host's callers have it.
t_class *class_new(const char *name, method create, method teardown, long size, method, short, ...) {
    auto cls = std::make_unique<Class>(Class{name, create, teardown, size, {}});
    Class *raw = cls.get();
    host().classes.push_back(std::move(cls));
    return reinterpret_cast<t_class *>(raw);
}

t_max_err class_addmethod(t_class *c, method fn, const char *selector, ...) {
    std::va_list args;
    va_start(args, selector);
    // Read apart from the call: on Windows the va_list is a plain pointer copied by value,
    // so the order in which the arguments are evaluated would matter.
    const int first = va_arg(args, int);
    std::vector<short> codes = read_codes(static_cast<short>(first), args);
    va_end(args);
    if (codes.size() > 1) return -1;  // no handler of this object takes more than one typed argument
    reinterpret_cast<Class *>(c)->methods[gensym(selector)] = Method{fn, std::move(codes)};
    return 0;
}

t_max_err class_register(t_symbol *, t_class *c) {
    Class *cls = reinterpret_cast<Class *>(c);
    host().registered[cls->name] = cls;
    return 0;
}

t_symbol *gensym(const char *text) {
    Held one_at_a_time(host().symbols_lock);
    auto &slot = host().symbols[text];
    if (!slot) {
        slot = std::make_unique<t_symbol>();
        slot->s_name = static_cast<char *>(std::malloc(std::strlen(text) + 1));
        std::strcpy(slot->s_name, text);
    }
    return slot.get();
}

void *object_alloc(t_class *c) {
    Class *cls = reinterpret_cast<Class *>(c);
    const std::size_t size = static_cast<std::size_t>(cls->size);
    void *record = std::calloc(1, size);
    if (!record) return nullptr;
    if (host().record_fill != 0 && size > sizeof(t_object))
        std::memset(static_cast<char *>(record) + sizeof(t_object), host().record_fill, size - sizeof(t_object));
    t_object *header = static_cast<t_object *>(record);
    Object *extras = new Object{cls, {}, {}};
    header->o_messlist = cls;
    header->o_magic = object_magic;
    header->o_inlet = extras;
    header->o_outlet = extras;
    return record;
}

t_max_err object_free(void *x) {
    if (!x) return -2;
    Object *extras = extras_of(x);
    if (extras->cls->teardown) as_handler<void (*)(void *)>(extras->cls->teardown)(x);
    delete extras;
    std::free(x);
    return 0;
}

void *floatin(void *x, short n) {
    if (n < 1 || n > 9) return nullptr;
    extras_of(x)->float_inlets.push_back(n);
    return &extras_of(x)->float_inlets;
}

void *outlet_new(void *x, const char *) {
    Object *extras = extras_of(x);
    auto outlet = std::make_unique<Outlet>(Outlet{extras});
    Outlet *raw = outlet.get();
    extras->outlets.insert(extras->outlets.begin(), std::move(outlet));  // the newest is leftmost
    return raw;
}

void *outlet_anything(void *outlet, t_symbol *selector, short argc, t_atom *argv) {
    if (host().quiet) return nullptr;
    Outlet *o = static_cast<Outlet *>(outlet);
    std::size_t index = 0;
    while (index < o->owner->outlets.size() && o->owner->outlets[index].get() != o) ++index;
    emit("outlet " + std::to_string(index) + ": " + selector->s_name + atoms_text(argc, argv));
    return nullptr;
}

t_max_err atom_setfloat(t_atom *a, double value) {
    a->a_type = A_FLOAT;
    a->a_w.w_float = static_cast<t_atom_float>(value);
    return 0;
}

t_max_err atom_setlong(t_atom *a, t_atom_long value) {
    a->a_type = A_LONG;
    a->a_w.w_long = value;
    return 0;
}

t_max_err atom_setsym(t_atom *a, t_symbol *value) {
    a->a_type = A_SYM;
    a->a_w.w_sym = value;
    return 0;
}

t_atom_float atom_getfloat(const t_atom *a) { return static_cast<t_atom_float>(to_double(*a)); }
t_atom_long atom_getlong(const t_atom *a) { return to_long(*a); }

static void console_line(const char *kind, const char *format, std::va_list args) {
    if (host().quiet) return;
    char text[2048];
    std::vsnprintf(text, sizeof text, format, args);
    emit(std::string(kind) + ": " + text);
}

void object_post(t_object *, const char *format, ...) {
    std::va_list args;
    va_start(args, format);
    console_line("post", format, args);
    va_end(args);
}

void object_error(t_object *, const char *format, ...) {
    std::va_list args;
    va_start(args, format);
    console_line("error", format, args);
    va_end(args);
}

struct t_critical_region {
    RecursiveLock lock;
};

void critical_new(t_critical *region) { *region = new t_critical_region; }
void critical_enter(t_critical region) { region->lock.lock(); }
void critical_exit(t_critical region) { region->lock.unlock(); }
void critical_free(t_critical region) { delete region; }

char *sysmem_newptr(std::size_t size) { return static_cast<char *>(std::malloc(size)); }
void sysmem_freeptr(void *ptr) { std::free(ptr); }

void standin_set_sink(standin_sink sink, void *context) {
    host().sink = sink;
    host().sink_context = context;
}

void standin_set_record_fill(int byte) { host().record_fill = byte & 0xFF; }

void standin_set_quiet(int quiet) { host().quiet = quiet != 0; }

void *standin_create(const char *class_name, long argc, t_atom *argv) {
    auto found = host().registered.find(class_name);
    if (found == host().registered.end()) return nullptr;
    auto create = as_handler<void *(*)(t_symbol *, long, t_atom *)>(found->second->create);
    return create(gensym(class_name), argc, argv);
}

void standin_destroy(void *object) { object_free(object); }

int standin_send(void *object, long inlet, t_symbol *selector, long argc, t_atom *argv) {
    if (!object) return STANDIN_NO_SUCH_OBJECT;
    Object *extras = extras_of(object);
    if (inlet != 0) {
        bool exists = false;
        for (short n : extras->float_inlets) exists = exists || n == inlet;
        if (!exists) return STANDIN_NO_SUCH_INLET;
        const bool number = argc == 1 && (argv[0].a_type == A_LONG || argv[0].a_type == A_FLOAT) &&
                            (selector == gensym("int") || selector == gensym("float"));
        if (!number) return STANDIN_INLET_TAKES_NUMBERS;
        t_atom value;
        atom_setfloat(&value, to_double(argv[0]));
        char name[4] = {'f', 't', static_cast<char>('0' + inlet), '\0'};
        selector = gensym(name);
        argc = 1;
        argv = &value;
        auto found = extras->cls->methods.find(selector);
        if (found == extras->cls->methods.end()) return STANDIN_NO_SUCH_INLET;
        dispatch(object, found->second, selector, argc, argv);
        return STANDIN_SENT;
    }
    auto found = extras->cls->methods.find(selector);
    if (found == extras->cls->methods.end() || !callable_by_message(found->second)) {
        not_understood(selector);
        return STANDIN_SENT;
    }
    dispatch(object, found->second, selector, argc, argv);
    return STANDIN_SENT;
}

void standin_assist(void *object, long io, long index, char *dest) {
    if (!object) return;
    auto found = extras_of(object)->cls->methods.find(gensym("assist"));
    if (found == extras_of(object)->cls->methods.end()) return;
    as_handler<void (*)(void *, void *, long, long, char *)>(found->second.fn)(object, nullptr, io, index, dest);
}

}  // extern "C"
