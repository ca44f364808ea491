#pragma once

#include "ui/file_dialog.h"

// The dialog as a console prompt, for Linux builds without a desktop
// toolkit and wherever no display can be opened: the folder and the name
// offered are printed, and a typed path (or a name, taken in that folder)
// is the answer; an empty line or the end of input cancels.
Text ShowConsoleFileDialog(const FileDialogRequest& request);
