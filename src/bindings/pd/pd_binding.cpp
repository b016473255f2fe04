// The Pd binding: the class Vorn with the same messages, inlets and outlets as in Max, made
// from the interface table, so the same patch text works in both. Pd calls a box from one
// thread only, so no lock is needed; what a handler makes is sent after it, as in Max.
#include <cstring>
#include <utility>

#include "box/interface_table.h"
#include "box/lifecycle.h"
#include "bindings/pd/pd_box.h"
#include "engine/engine.h"

namespace vorn::pd {

namespace {

t_class *vorn_class = nullptr;

host::Args args_of(int argc, const t_atom *argv) { return host::Args{argc, argv, sizeof(t_atom)}; }

void *vorn_new(t_symbol *, int argc, t_atom *argv) noexcept {
    const char *context = context_of(args_of(argc, argv));
    if (!context) return nullptr;
    PdBox *x = reinterpret_cast<PdBox *>(pd_new(vorn_class));
    if (!x) return nullptr;
    std::memset(reinterpret_cast<char *>(x) + sizeof(t_object), 0, sizeof(PdBox) - sizeof(t_object));
    Panner &panner = x->panner;
    start_panner(panner, reinterpret_cast<host::Box *>(x), context);
    // Pd makes inlets and outlets left to right. The side inlets deliver "ft1"/"ft2", so the
    // same checks run as for any message.
    panner.elevation_inlet = reinterpret_cast<host::Inlet *>(inlet_new(&x->header, &x->header.ob_pd, &s_float, gensym("ft1")));
    panner.gain_inlet = reinterpret_cast<host::Inlet *>(inlet_new(&x->header, &x->header.ob_pd, &s_float, gensym("ft2")));
    panner.amplitude_outlet = reinterpret_cast<host::Outlet *>(outlet_new(&x->header, &s_list));
    panner.editor_outlet = reinterpret_cast<host::Outlet *>(outlet_new(&x->header, nullptr));
    send_queued(panner);
    return x;
}

void vorn_free(PdBox *x) noexcept { finish_panner(x->panner); }

template <std::size_t I>
constexpr const box_interface::Message &row = box_interface::messages[I];

template <std::size_t I>
void on_none(PdBox *x) noexcept {
    row<I>.handler.none(x->panner);
    send_queued(x->panner);
}

template <std::size_t I>
void on_float(PdBox *x, t_floatarg value) noexcept {
    row<I>.handler.one_float(x->panner, value);
    send_queued(x->panner);
}

template <std::size_t I>
void on_atoms(PdBox *x, t_symbol *, int argc, t_atom *argv) noexcept {
    row<I>.handler.atoms(x->panner, args_of(argc, argv));
    send_queued(x->panner);
}

template <typename Handler>
t_method as_method(Handler handler) {
    return reinterpret_cast<t_method>(reinterpret_cast<void (*)()>(handler));
}

template <std::size_t I>
void add_method(t_class *c) {
    using enum box_interface::Arguments;
    constexpr const box_interface::Message &m = row<I>;
    if constexpr (!m.in_pd) {
        return;
    } else if constexpr (std::string_view(m.selector) == "bang") {
        class_addbang(c, as_method(on_none<I>));
    } else if constexpr (std::string_view(m.selector) == "float") {
        class_doaddfloat(c, as_method(on_float<I>));
    } else if constexpr (std::string_view(m.selector) == "list") {
        class_addlist(c, as_method(on_atoms<I>));
    } else if constexpr (m.arguments == none) {
        class_addmethod(c, as_method(on_none<I>), gensym(m.selector), A_NULL);
    } else if constexpr (m.arguments == one_float) {
        // A missing number counts as 0, as in Max.
        class_addmethod(c, as_method(on_float<I>), gensym(m.selector), A_DEFFLOAT, A_NULL);
    } else if constexpr (m.arguments == atoms) {
        class_addmethod(c, as_method(on_atoms<I>), gensym(m.selector), A_GIMME, A_NULL);
    }
}

template <std::size_t... I>
void add_methods(t_class *c, std::index_sequence<I...>) {
    (add_method<I>(c), ...);
}

}  // namespace

}  // namespace vorn::pd

extern "C" VORN_PD_EXPORT void Vorn_setup(void) {
    using namespace vorn::pd;
    vorn_class = class_new(gensym(vorn::box_interface::class_name), reinterpret_cast<t_newmethod>(reinterpret_cast<void (*)()>(vorn_new)),
                           as_method(vorn_free), sizeof(PdBox), CLASS_DEFAULT, A_GIMME, A_NULL);
    add_methods(vorn_class, std::make_index_sequence<std::size(vorn::box_interface::messages)>{});
}
