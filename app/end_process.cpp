#include <cstdlib>

#include "app/end_run.h"

void EndProcess(int32_t exitCode) { std::exit(exitCode); }
