#pragma once

#include <cstdint>

// Finishes open listings, flushes and closes open files, and ends the
// process with the run's exit code. Every way out of a run passes here.
[[noreturn]] void EndRun();

// Ends the process. Kept apart from EndRun so the tests can end a run
// without ending themselves.
[[noreturn]] void EndProcess(int32_t exitCode);
