// The Max binding: loading, creation, teardown and the method table of the Vorn box.
#include <new>

#include "config/config.h"
#include "engine/engine.h"
#include "export/mask_editor.h"
#include "shell/panner.h"
#include "shell/reports.h"

namespace vorn {

namespace {

t_class *vorn_class = nullptr;
bool banner_posted = false;

host::Args args_of(long argc, t_atom *argv) { return host::Args{argc, argv}; }

void *vorn_new(t_symbol *, long argc, t_atom *argv) noexcept {
    if (argc < 1 || !host::is_symbol(argv[0])) {
        host::error(nullptr, "Vorn object requires a name or context (1st argument)");
        return nullptr;
    }
    Panner *x = static_cast<Panner *>(object_alloc(vorn_class));
    if (!x) return nullptr;
    if (!banner_posted) {
        host::post(x, "Vorn 2.6 - layer-based amplitude panning over loudspeaker layers");
        banner_posted = true;
    }
    x->context = host::name_of(argv[0].a_w.w_sym);
    // Made right to left: each new inlet or outlet stands left of those made before.
    x->gain_inlet = floatin(x, 2);
    x->elevation_inlet = floatin(x, 1);
    x->editor_outlet = outlet_new(x, nullptr);
    x->amplitude_outlet = outlet_new(x, "list");
    x->ring_layers = nullptr;
    x->solo_layers = nullptr;
    x->ring_count = 0;
    x->solo_count = 0;
    x->map_total = 0;
    x->speaker_map = nullptr;
    x->working_azimuth_a = 0;
    x->working_azimuth_b = 0;
    x->gain = 1;
    x->radius = 1;
    x->period = 360;
    return x;
}

void vorn_free(Panner *x) noexcept {
    release_configuration_silently(*x);
    release_channel_selectors(*x);
    delete[] x->channel_index;
    x->channel_index = nullptr;
}

void vorn_bang(Panner *x) noexcept { panning_pass(*x, x->azimuth); }
void vorn_list(Panner *x, t_symbol *, long argc, t_atom *argv) noexcept {
    receive_position_list(*x, args_of(argc, argv));
}
void vorn_float(Panner *x, double azimuth) noexcept { receive_azimuth(*x, azimuth); }
// The host's own int-to-float path goes through single precision; so does this one.
void vorn_int(Panner *x, t_atom_long azimuth) noexcept {
    receive_azimuth(*x, static_cast<double>(static_cast<float>(azimuth)));
}
void vorn_ft1(Panner *x, double elevation) noexcept { receive_elevation(*x, elevation); }
void vorn_ft2(Panner *x, double gain) noexcept { receive_gain(*x, gain); }
void vorn_end(Panner *x) noexcept { commit_configuration(*x); }
void vorn_med(Panner *x) noexcept { export_mask_editor(*x); }
void vorn_layer(Panner *x, t_symbol *, long argc, t_atom *argv) noexcept { receive_layer(*x, args_of(argc, argv)); }
void vorn_mask(Panner *x, t_symbol *, long argc, t_atom *argv) noexcept { set_masks(*x, args_of(argc, argv)); }
void vorn_radius(Panner *x, double radius) noexcept { update_spreads(*x, radius); }
void vorn_solo(Panner *x, t_symbol *, long argc, t_atom *argv) noexcept { receive_solo(*x, args_of(argc, argv)); }
void vorn_setup(Panner *x, t_symbol *, long argc, t_atom *argv) noexcept { setup_ring(*x, args_of(argc, argv)); }
void vorn_refresh(Panner *x) noexcept { refresh(*x); }
void vorn_info(Panner *x) noexcept { post_info(*x); }
void vorn_assist(Panner *x, void *, long io, long index, char *dest) noexcept { write_assist(*x, io, index, dest); }

template <typename Handler>
method as_method(Handler handler) {
    return reinterpret_cast<method>(reinterpret_cast<void (*)()>(handler));
}

}  // namespace

}  // namespace vorn

extern "C" VORN_EXPORT void ext_main(void *) {
    using namespace vorn;
    t_class *c = class_new("Vorn", as_method(vorn_new), as_method(vorn_free), static_cast<long>(sizeof(Panner)),
                           nullptr, A_GIMME, 0);
    class_addmethod(c, as_method(vorn_bang), "bang", 0);
    class_addmethod(c, as_method(vorn_list), "list", A_GIMME, 0);
    class_addmethod(c, as_method(vorn_float), "float", A_FLOAT, 0);
    class_addmethod(c, as_method(vorn_int), "int", A_LONG, 0);
    class_addmethod(c, as_method(vorn_ft1), "ft1", A_FLOAT, 0);
    class_addmethod(c, as_method(vorn_ft2), "ft2", A_FLOAT, 0);
    class_addmethod(c, as_method(vorn_end), "end", 0);
    class_addmethod(c, as_method(vorn_med), "med", 0);
    class_addmethod(c, as_method(vorn_layer), "layer", A_GIMME, 0);
    class_addmethod(c, as_method(vorn_mask), "mask", A_GIMME, 0);
    class_addmethod(c, as_method(vorn_radius), "radius", A_FLOAT, 0);
    class_addmethod(c, as_method(vorn_solo), "solo", A_GIMME, 0);
    class_addmethod(c, as_method(vorn_setup), "setup", A_GIMME, 0);
    class_addmethod(c, as_method(vorn_refresh), "refresh", 0);
    class_addmethod(c, as_method(vorn_info), "info", 0);
    class_addmethod(c, as_method(vorn_assist), "assist", A_CANT, 0);
    class_register(gensym("box"), c);
    vorn_class = c;
}
