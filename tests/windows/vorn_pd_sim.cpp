// vorn-pd-sim.exe EXTERNAL SCRIPT TRANSCRIPT: runs a vorn-sim script through the Windows Pd
// external, loaded by the stand-in pd.dll beside this program (see pd_standin.cpp).
#include <cstdio>

extern "C" __declspec(dllimport) int standin_run_pd(const char *external, const char *script, const char *output);

int main(int argc, char **argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: vorn-pd-sim.exe EXTERNAL SCRIPT TRANSCRIPT\n");
        return 2;
    }
    return standin_run_pd(argv[1], argv[2], argv[3]);
}
