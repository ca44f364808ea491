#pragma once

#include <string>
#include <string_view>

// Every text in Brindlet is a sequence of UTF-16 code units, whatever the
// platform; lengths and positions count code units. Conversion to the
// platform's own encoding happens only at the system call that needs it.
using Text = std::u16string;

// A part of a text, for looking at a line without copying it.
using TextView = std::u16string_view;
