// The Max binding: loading, creation, teardown and the method table, made from the
// interface table. Every handler changes the box's state inside its critical region and
// sends what it made after leaving it (send_queued).
#include <cstring>
#include <utility>

#include "box/interface_table.h"
#include "box/lifecycle.h"
#include "bindings/max/max_box.h"
#include "box/reports.h"
#include "engine/engine.h"

namespace vorn::max {

namespace {

t_class *vorn_class = nullptr;

host::Args args_of(long argc, const t_atom *argv) { return host::Args{argc, argv, sizeof(t_atom)}; }

class Serialized {
public:
    explicit Serialized(MaxBox *box) : region_(box->region) { critical_enter(region_); }
    ~Serialized() { critical_exit(region_); }
    Serialized(const Serialized &) = delete;
    Serialized &operator=(const Serialized &) = delete;

private:
    t_critical region_;
};

void *vorn_new(t_symbol *, long argc, t_atom *argv) noexcept {
    const char *context = context_of(args_of(argc, argv));
    if (!context) return nullptr;
    MaxBox *x = static_cast<MaxBox *>(object_alloc(vorn_class));
    if (!x) return nullptr;
    // Nothing in the host promises zeroed memory: everything after its header is cleared here.
    std::memset(reinterpret_cast<char *>(x) + sizeof(t_object), 0, sizeof(MaxBox) - sizeof(t_object));
    critical_new(&x->region);
    Serialized one_at_a_time(x);
    Panner &panner = x->panner;
    start_panner(panner, reinterpret_cast<host::Box *>(x), context);
    // Made right to left: each new inlet or outlet stands left of those made before.
    panner.gain_inlet = static_cast<host::Inlet *>(floatin(x, 2));
    panner.elevation_inlet = static_cast<host::Inlet *>(floatin(x, 1));
    panner.editor_outlet = static_cast<host::Outlet *>(outlet_new(x, nullptr));
    panner.amplitude_outlet = static_cast<host::Outlet *>(outlet_new(x, "list"));
    send_queued(panner);
    return x;
}

void vorn_free(MaxBox *x) noexcept {
    {
        Serialized one_at_a_time(x);
        finish_panner(x->panner);
    }
    critical_free(x->region);
}

template <std::size_t I>
constexpr const box_interface::Message &row = box_interface::messages[I];

template <std::size_t I>
void on_none(MaxBox *x) noexcept {
    Serialized one_at_a_time(x);
    row<I>.handler.none(x->panner);
    send_queued(x->panner);
}

template <std::size_t I>
void on_float(MaxBox *x, double value) noexcept {
    Serialized one_at_a_time(x);
    row<I>.handler.one_float(x->panner, value);
    send_queued(x->panner);
}

template <std::size_t I>
void on_integer(MaxBox *x, t_atom_long value) noexcept {
    Serialized one_at_a_time(x);
    row<I>.handler.one_integer(x->panner, value);
    send_queued(x->panner);
}

template <std::size_t I>
void on_atoms(MaxBox *x, t_symbol *, long argc, t_atom *argv) noexcept {
    Serialized one_at_a_time(x);
    row<I>.handler.atoms(x->panner, args_of(argc, argv));
    send_queued(x->panner);
}

void on_assist(MaxBox *x, void *, long io, long index, char *dest) noexcept {
    write_assist(x->panner, io == ASSIST_INLET, index, dest);
}

template <typename Handler>
method as_method(Handler handler) {
    return reinterpret_cast<method>(reinterpret_cast<void (*)()>(handler));
}

template <std::size_t I>
void add_method(t_class *c) {
    using enum box_interface::Arguments;
    constexpr const box_interface::Message &m = row<I>;
    if constexpr (m.arguments == none)
        class_addmethod(c, as_method(on_none<I>), m.selector, 0);
    else if constexpr (m.arguments == one_float)
        class_addmethod(c, as_method(on_float<I>), m.selector, A_FLOAT, 0);
    else if constexpr (m.arguments == one_integer)
        class_addmethod(c, as_method(on_integer<I>), m.selector, A_LONG, 0);
    else if constexpr (m.arguments == atoms)
        class_addmethod(c, as_method(on_atoms<I>), m.selector, A_GIMME, 0);
    else
        class_addmethod(c, as_method(on_assist), m.selector, A_CANT, 0);
}

template <std::size_t... I>
void add_methods(t_class *c, std::index_sequence<I...>) {
    (add_method<I>(c), ...);
}

}  // namespace

}  // namespace vorn::max

extern "C" VORN_EXPORT void ext_main(void *) {
    using namespace vorn::max;
    t_class *c = class_new(vorn::box_interface::class_name, as_method(vorn_new), as_method(vorn_free),
                           static_cast<long>(sizeof(MaxBox)), nullptr, A_GIMME, 0);
    add_methods(c, std::make_index_sequence<std::size(vorn::box_interface::messages)>{});
    class_register(gensym("box"), c);
    vorn_class = c;
}
