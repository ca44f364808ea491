#include "app/end_run.h"

#include "app/run_report.h"
#include "app/run_state.h"
#include "files/folder_listing.h"
#include "files/listed_names.h"
#include "files/sheet_output.h"
#include "files/text_file.h"

void EndRun() {
  // A run may end inside a repair, with the sheet held and its new content
  // unfinished: dropped here, the sheet stays as it was. Files go first,
  // since the new content may lie in a folder that a listing holds. And it
  // may end in the middle of a sweep, with both its listings open.
  CloseAllTextFiles();
  DropAllSheetOutputs();
  FinishAllListings();
  ForgetNameRecord();
  FinishReport();
  const int32_t exitCode = gRun.exitCode;
  ClearRunState();
  EndProcess(exitCode);
}
