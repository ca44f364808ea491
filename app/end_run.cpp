#include "app/end_run.h"

#include "app/run_state.h"
#include "files/folder_listing.h"
#include "files/text_file.h"

void EndRun() {
  // A run may end in the middle of a sweep, with both its listings open,
  // and inside a rewrite that could not back its sheet up, with the sheet
  // still held: closed here before its rewrite began, it stays as it was.
  FinishAllListings();
  CloseAllTextFiles();
  const int32_t exitCode = gRun.exitCode;
  ClearRunState();
  EndProcess(exitCode);
}
