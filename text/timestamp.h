#pragma once

#include <cstdint>

#include "text/text.h"

// Seconds since 1970-01-01 00:00:00, read on one clock with no time zone.
// Valid values run to 2147483647 (2038-01-19 03:14:07); -1 means no date.
using timestamp = int64_t;

// Reads text through a mask of literal characters and tokens (%yyyy %yy %mm
// %dd %hh %ii %ss, names in any case). -1 when the text does not fit the
// mask or the fields do not form a date in range.
timestamp ParseTimestamp(const Text& mask, const Text& text);

// Writes the fields of a timestamp through a mask. Uses the low 32 bits of
// the value; -1 writes every field as 0.
Text FormatTimestamp(const Text& mask, timestamp value);

// The timestamp of a calendar date and time taken as UTC, or -1 when the
// fields are out of range, the date does not exist, or it lies outside
// 1970-01-01 00:00:00 .. 2038-01-19 03:14:07.
timestamp TimestampFromParts(int32_t year, int32_t month, int32_t day, int32_t hour,
                             int32_t minute, int32_t second);
