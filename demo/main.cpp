// The program's entry: the Application with its display, then the run.
#include <cstdio>

#include "demo/demo_run.h"

int main() {
    // Lines reach a pipe or a log as they are printed, not when the buffer fills. The Windows C
    // library treats line buffering as full buffering, so there the output is unbuffered.
#ifdef _WIN32
    std::setvbuf(stdout, nullptr, _IONBF, 0);
#else
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
#endif
    tessellune::Application application;
    return tessellune::runDemo(application);
}
