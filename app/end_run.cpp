#include "app/end_run.h"

#include "app/run_state.h"
#include "files/folder_listing.h"
#include "files/text_file.h"

void EndRun() {
  // A run may end in the middle of a sweep, with both listings open, or
  // after a rewrite left one of its files open.
  FinishAllListings();
  CloseAllTextFiles();
  const int32_t exitCode = gRun.exitCode;
  ClearRunState();
  EndProcess(exitCode);
}
