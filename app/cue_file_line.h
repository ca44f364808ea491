#pragma once

#include "text/text.h"

// A FILE line's two parts as its sheet wrote them: parts of the line.
struct FileLineParts {
  TextView name;  // folders included; "" when the line names nothing
  TextView type;  // "" when the line gives none
};

// Reads a FILE line (keyword first). A name in double quotes is the text
// between the first and the second quote, blanks and all (with one quote,
// the rest of the line), and the type is the last field after the closing
// quote. Without quotes, the name is the text between the keyword and the
// last field, which is the type; a lone field after the keyword is taken
// as the name, since a name without a type still says which file is meant.
FileLineParts ReadFileLine(TextView line);

// The type a repaired FILE line gives imageName, its sheet having written
// writtenType (in any letter case): MOTOROLA and the compressed or wave
// audio types are kept, everything else becomes BINARY. The word given is
// a constant, in capitals, good for as long as the run.
TextView FileTypeToWrite(TextView writtenType, TextView imageName);
