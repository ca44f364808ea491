#pragma once

#include "app/run_report.h"
#include "files/sheet_repair.h"
#include "text/text.h"

// Why OpenSheetForRepair passed a sheet over, in the report's words.
Outcome WhyPassedOver(const Text& sheetPath, const SheetRepair& repair);

// What putting a sheet or a playlist in place came to, in the report's
// words: replaced and unchanged name what Replaced and Unchanged mean for
// it. A file system that refused the put will refuse the next one too: it
// ends the run, every sheet as it was or done.
Outcome OutcomeOfPut(SheetPut put, Outcome replaced, Outcome unchanged);
