#include "app/run_state.h"

RunState gRun;

void ClearRunState() { gRun = RunState(); }
