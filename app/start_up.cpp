#include "app/start_up.h"

#include "app/act_on_sheet.h"
#include "app/end_run.h"
#include "app/image_lookup.h"
#include "app/make_playlists.h"
#include "app/run_report.h"
#include "app/run_state.h"
#include "app/sweep_folders.h"
#include "files/current_folder.h"
#include "files/file_size.h"
#include "files/text_file.h"
#include "text/path_separator.h"
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
  if (StringsEqual(ToLower(ExtensionOf(chosenPath)), u"cue")) {
    ActOnSheet(chosenPath);
  } else if (IsImagePath(chosenPath)) {
    ActOnImage(chosenPath);
  } else {
    Report(Outcome::NotASheet, chosenPath);
  }
}

}  // namespace

Text ChoiceForPath(const Text& path) {
  if (path.empty()) return Text();
  const Text full = IsAbsolutePath(path) ? path : CurrentFolder() + path;
  if (FileSize(full) != kFolder) return full;
  // A folder is asked of its own "all", as if confirmed inside it. This
  // comes before the name rule, so a folder that happens to be called
  // "all" is swept itself, not its parent.
  return WithFolderSeparator(full) + u"all";
}

void RunBrindlet(const std::vector<Text>& paths, const RunOptions& options) {
  ClearRunState();
  InitTextFiles();
  StartReport(options);
  ForgetPlaylistSheets();
  // Dialogs may still come up with paths given: a sheet may ask for its
  // image. A dry run asks nothing.
  SetQuestionsOff(options.dryRun);
  if (!options.dryRun) InitDialogs();
  if (paths.empty()) {
    gRun.chosenPath = ChooseFileToSave(u"Brindlet", u"all",
                                       u"Cue/Bin/Img/Iso|*.cue;*.bin;*.iso;*.img|all|*.*", 0);
    Dispatch(gRun.chosenPath);
  }
  for (const Text& path : paths) {
    // The report names what it reached as the path was given: relative
    // to the current folder where it was given so.
    SetShownFrom(IsAbsolutePath(path) ? Text() : CurrentFolder());
    gRun.chosenPath = ChoiceForPath(path);
    Dispatch(gRun.chosenPath);
  }
  if (options.playlists) WritePlaylists();
  EndRun();
}
