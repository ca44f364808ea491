#include "ui/console_prompt.h"
#include "ui/file_dialog.h"

// Builds without a desktop toolkit (BRINDLET_GTK off) ask on the console.
void InitDialogs() {}

Text ShowPlatformFileDialog(const FileDialogRequest& request) {
  return ShowConsoleFileDialog(request);
}
