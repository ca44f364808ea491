#pragma once

// The whole run: one save-style dialog, at most one action on the path the
// user confirms, then EndRun. Never returns.
[[noreturn]] void RunBrindlet();
