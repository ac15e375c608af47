// The program's entry: the Application with its display, then the run.
#include <cstdio>

#include "demo/demo_run.h"

int main() {
    // Lines reach a pipe or a log as they are printed, not when the buffer fills.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    tessellune::Application application;
    return tessellune::runDemo(application);
}
