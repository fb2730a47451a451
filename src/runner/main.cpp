#include "runner/RunnerMain.h"

#include <cstdio>

int main(int argc, char* argv[]) {
    return hozonix::runner::RunnerMain(std::vector<std::string>(argv + 1, argv + argc), stdout, stderr);
}
