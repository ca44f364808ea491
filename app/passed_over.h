#pragma once

#include "app/run_report.h"
#include "files/sheet_repair.h"
#include "text/text.h"

// Why OpenSheetForRepair passed a sheet over, in the report's words.
Outcome WhyPassedOver(const Text& sheetPath, const SheetRepair& repair);
