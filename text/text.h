#pragma once

#include <string>

// Every text in Brindlet is a sequence of UTF-16 code units, whatever the
// platform; lengths and positions count code units. Conversion to the
// platform's own encoding happens only at the system call that needs it.
using Text = std::u16string;
