#pragma once

#include "text/text.h"

// The name under which a file of 1 byte or more stands in folder (which
// ends in its separator): name itself when it is there. Where the file
// system tells letter cases apart, a name that differs only in the case of
// ASCII letters is found too, and its spelling on disk returned (the first
// in byte order when several fit). "" when there is no such file.
// The folder is listed at most once until ForgetListedNames.
Text FindNameInAnyCase(const Text& folder, TextView name);

// Lets go of the listing FindNameInAnyCase keeps; called before each sheet,
// so that every sheet sees its folder as it is now.
void ForgetListedNames();
