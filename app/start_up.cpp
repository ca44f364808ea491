#include "app/start_up.h"

#include "app/create_cue_for_image.h"
#include "app/end_run.h"
#include "app/rewrite_cue_sheet.h"
#include "app/run_state.h"
#include "app/sweep_folders.h"
#include "files/text_file.h"
#include "text/string_helpers.h"
#include "ui/file_dialog.h"

namespace {

// Hands the chosen path to the one action it asks for, if any.
void Dispatch(const Text& chosenPath) {
  if (StringsEqual(chosenPath, u"")) return;
  // Only the exact lower-case "all" counts; "All" has no extension and so
  // does nothing.
  if (StringsEqual(FileNameOf(chosenPath), u"all")) {
    gRun.folderPath = FolderOf(chosenPath);
    SweepSubfolders(gRun.folderPath);
    return;
  }
  const Text extension = ToLower(ExtensionOf(chosenPath));
  if (StringsEqual(extension, u"cue")) {
    RewriteCueSheet(chosenPath);
  } else if (StringsEqual(extension, u"bin") || StringsEqual(extension, u"img") ||
             StringsEqual(extension, u"iso")) {
    CreateCueForImage(chosenPath);
  }
}

}  // namespace

void RunBrindlet() {
  ClearRunState();
  InitTextFiles();
  InitDialogs();
  gRun.chosenPath = ChooseFileToSave(u"Brindlet", u"all",
                                     u"Cue/Bin/Img/Iso|*.cue;*.bin;*.iso;*.img|all|*.*", 0);
  Dispatch(gRun.chosenPath);
  EndRun();
}
