#pragma once

#include <string>

#include "app/run_report.h"
#include "text/text.h"

// Puts back the original of a sheet that a repair changed: its backup
// takes the sheet's place in one step, and the backup's name is gone. A
// sheet changed since its repair is left as it is: only a sheet that is
// byte for byte what a repair of its backup gives now (IsOwnRepair) is
// replaced; one that is missing or empty needs no look. In a dry run
// nothing is renamed. Ends the run when the file system refuses.
Outcome RestoreSheet(const Text& sheetPath);

// Whether a sheet's bytes are a repair's lines as written with questions
// off (ui/file_dialog.h), where a FILE line of an image that could not be
// found matches whatever bare name the sheet's own line gives at that
// place, with the type a repair would give that name.
bool IsOwnRepair(const std::string& repaired, const std::string& sheet);

// Whether lines written with questions off hold the place of a question.
bool WouldAsk(const std::string& repaired);
