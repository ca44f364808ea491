#pragma once

#include <cstdint>
#include <vector>

#include "text/text.h"

enum class FileDialogKind { Open, Save };

// Prepares the user-interface layer; called once before the first dialog.
void InitDialogs();

// Save-style: a name that does not exist may be confirmed. The result is
// the confirmed full path, or "" when the user cancels.
Text ChooseFileToSave(const Text& title, const Text& defaultFile, const Text& filter,
                      int32_t filterPosition);

// Open-style: a typed name that does not exist in an existing folder may be
// confirmed too. The result is the full path, or "".
Text ChooseFileToOpen(const Text& title, const Text& defaultFile, const Text& filter,
                      int32_t filterPosition);

Text ShowFileDialog(FileDialogKind kind, const Text& title, const Text& defaultFile,
                    const Text& filter, int32_t filterPosition);

// While questions are off, no dialog is shown: each is answered with
// kUnaskedName, a name no dialog returns (IsValidFileName refuses it), so
// that a dry run, or a look at what a repair would write, can tell where
// a question would have come.
constexpr char16_t kUnaskedName[] = u"\u0001";
void SetQuestionsOff(bool off);

// Whether the last dialog could not be shown at all (the system refused to
// make its window, or the path chosen did not fit), rather than being
// cancelled; both give "". The platform's dialog says so with
// SetLastDialogFailed.
bool LastDialogFailed();
void SetLastDialogFailed(bool failed);

// What every dialog implementation is handed: the caller's arguments with
// the initial folder and name worked out from the default file.
struct FileDialogRequest {
  FileDialogKind kind = FileDialogKind::Save;
  Text title;
  // No initial folder at all (no default file) differs from an empty one
  // (a bare default name), where the platform picks the folder shown.
  bool hasInitialFolder = false;
  Text initialFolder;
  Text initialName;  // "" leaves the name box empty
  Text filter;       // "description|patterns|description|patterns..."
  int32_t filterPosition = 0;
};

// Longest path a dialog returns, in code units, as Windows' name buffer holds.
constexpr size_t kDialogNameLimit = 259;

FileDialogRequest PrepareFileDialog(FileDialogKind kind, const Text& title,
                                    const Text& defaultFile, const Text& filter,
                                    int32_t filterPosition);

// False for "" and for a name holding a control character or any of
// " * / : < > ? \ |.
bool IsValidFileName(const Text& name);

struct FileFilter {
  Text description;
  Text patterns;  // "*.cue;*.bin"
};

// The description/pattern pairs of a filter text; a description without
// patterns gets "".
std::vector<FileFilter> FiltersOf(const Text& filter);

// The filter text as Windows' dialogs take it: every "|" a NUL, and the
// list closed by two further NULs.
Text FilterListForDialog(const Text& filter);

// The dialog of the platform the program was built for.
Text ShowPlatformFileDialog(const FileDialogRequest& request);
