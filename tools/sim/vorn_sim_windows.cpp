// vorn-sim for Windows: loads the plug-in at run time as the host does, through the
// stand-in MaxAPI.dll it shares with the plug-in, and runs the script against it.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "sim/script_runner.h"

namespace {

#ifdef _WIN64
constexpr const wchar_t *plugin_file = L"Vorn.mxe64";
#else
constexpr const wchar_t *plugin_file = L"Vorn.mxe";
#endif

// The host runs with this x87 control word (53-bit precision, all exceptions masked), so
// the plug-in's library maths must see it too.
void use_host_x87_control_word() {
    const std::uint16_t word = 0x27F;
    asm volatile("fldcw %0" : : "m"(word));
}

std::wstring own_folder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return L"";
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? L"" : path.substr(0, slash + 1);
}

HMODULE load_plugin(const std::string &plugin_path) {
    if (!plugin_path.empty()) return LoadLibraryA(plugin_path.c_str());
    return LoadLibraryW((own_folder() + plugin_file).c_str());
}

}  // namespace

int main(int argc, char **argv) {
    // msvcrt would turn every "\n" of the transcript into "\r\n".
    _setmode(_fileno(stdout), _O_BINARY);
    const vorn_sim::CommandLine command_line = vorn_sim::parse_command_line(argc, argv, true);
    if (command_line.help) return command_line.ok ? 0 : 1;
    if (!command_line.ok) return 1;

    use_host_x87_control_word();
    HMODULE plugin = load_plugin(command_line.plugin_path);
    if (!plugin) {
        std::fprintf(stderr, "vorn-sim: cannot load the plug-in %s (error %lu)\n",
                     command_line.plugin_path.empty() ? "beside vorn-sim.exe" : command_line.plugin_path.c_str(),
                     static_cast<unsigned long>(GetLastError()));
        return 1;
    }
    using entry_point = void (*)(void *);
    const auto ext_main = reinterpret_cast<entry_point>(reinterpret_cast<void (*)()>(GetProcAddress(plugin, "ext_main")));
    if (!ext_main) {
        std::fprintf(stderr, "vorn-sim: the plug-in exports no ext_main\n");
        return 1;
    }
    ext_main(nullptr);
    return vorn_sim::run_command_line(command_line);
}
