#pragma once

#include "text/text.h"

// The program's lines for the one who started it: the report of -v and
// -n, the usage and the version. On Linux they go to standard output (or
// error); the Windows program has no console of its own and writes to
// the one it was started from, if any, so started from Explorer it
// writes nothing. Texts are converted here, at the edge.

// Writes text and a line end ("\n").
void WriteConsoleLine(TextView text);

// Writes text as it is, to standard error when toError is set.
void WriteConsoleText(TextView text, bool toError = false);

// Hands what is written so far to the system.
void FlushConsole();
