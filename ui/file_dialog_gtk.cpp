#include "ui/file_dialog.h"

#include <gtk/gtk.h>

#include <cctype>
#include <string>

#include "text/posix_path.h"
#include "text/utf8.h"
#include "ui/console_prompt.h"

namespace {

// False when GTK found no display; every dialog then asks on the console.
bool gHaveDisplay = false;

std::string Utf8(const Text& text) { return EncodeUtf8(text); }

// GTK matches patterns case-sensitively, where Windows' dialogs do not:
// every letter becomes a class of both cases, so "*.cue" takes "DISC.CUE".
// "*.*" means every file there, with or without a dot.
std::string AnyCasePattern(const std::string& pattern) {
  if (pattern == "*.*") return "*";
  std::string any;
  for (char c : pattern) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (std::isalpha(u) && u < 0x80) {
      any += '[';
      any += static_cast<char>(std::tolower(u));
      any += static_cast<char>(std::toupper(u));
      any += ']';
    } else {
      any += c;
    }
  }
  return any;
}

// Adds one chooser filter per description/pattern pair and selects the one
// at filterPosition, if there is one.
void AddFilters(GtkFileChooser* chooser, const FileDialogRequest& request) {
  const std::vector<FileFilter> filters = FiltersOf(request.filter);
  for (size_t i = 0; i < filters.size(); ++i) {
    GtkFileFilter* filter = gtk_file_filter_new();
    gtk_file_filter_set_name(filter, Utf8(filters[i].description).c_str());
    const std::string patterns = Utf8(filters[i].patterns);
    size_t start = 0;
    while (start <= patterns.size()) {
      size_t end = patterns.find(';', start);
      if (end == std::string::npos) end = patterns.size();
      if (end > start) {
        gtk_file_filter_add_pattern(filter, AnyCasePattern(patterns.substr(start, end - start)).c_str());
      }
      start = end + 1;
    }
    gtk_file_chooser_add_filter(chooser, filter);
    if (static_cast<int32_t>(i) == request.filterPosition) gtk_file_chooser_set_filter(chooser, filter);
  }
}

// The folder shown first, as the system names it: the request's, or for an
// empty one (a bare default name) where the process stands, as Windows'
// dialogs do.
std::string InitialFolder(const FileDialogRequest& request) {
  if (!request.initialFolder.empty()) return PosixPath(request.initialFolder);
  gchar* current = g_get_current_dir();
  std::string folder = current;
  g_free(current);
  return folder;
}

void SetInitialFolderAndName(GtkFileChooser* chooser, const FileDialogRequest& request) {
  if (request.hasInitialFolder) {
    gtk_file_chooser_set_current_folder(chooser, InitialFolder(request).c_str());
  }
  gtk_file_chooser_set_current_name(chooser, Utf8(request.initialName).c_str());
}

// Lets GTK take the closed chooser off the screen before the run goes on.
void FlushEvents() {
  while (gtk_events_pending()) gtk_main_iteration();
}

// True when the environment names a display to open.
bool DisplayNamed() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* value = g_getenv(name);
    if (value != nullptr && *value != '\0') return true;
  }
  return false;
}

}  // namespace

void InitDialogs() {
  gHaveDisplay = gtk_init_check(nullptr, nullptr);
  // A named display can refuse a connection for a moment on a busy
  // machine. Falling back at once would ask on a console nobody may be
  // watching, such as that of a program started from a menu, and the run
  // would end as if cancelled. Only a display still shut after about two
  // seconds sends the questions to the console.
  for (int attempt = 0; !gHaveDisplay && attempt < 10 && DisplayNamed(); ++attempt) {
    g_usleep(200 * 1000);
    gHaveDisplay = gtk_init_check(nullptr, nullptr);
  }
}

Text ShowPlatformFileDialog(const FileDialogRequest& request) {
  if (!gHaveDisplay) return ShowConsoleFileDialog(request);

  // Both kinds are GTK's save-style chooser, the open kind with an "Open"
  // button: GTK's open-style one has no name box, so it could neither show
  // which image is missing nor take a new name in an existing folder, as
  // Windows' open dialog does.
  const bool open = request.kind == FileDialogKind::Open;
  GtkFileChooserNative* native =
      gtk_file_chooser_native_new(Utf8(request.title).c_str(), nullptr,
                                  GTK_FILE_CHOOSER_ACTION_SAVE, open ? "_Open" : nullptr, nullptr);
  GtkFileChooser* chooser = GTK_FILE_CHOOSER(native);
  gtk_native_dialog_set_modal(GTK_NATIVE_DIALOG(native), TRUE);
  // An existing file is returned without a question, as on Windows.
  gtk_file_chooser_set_do_overwrite_confirmation(chooser, FALSE);
  gtk_file_chooser_set_select_multiple(chooser, FALSE);
  AddFilters(chooser, request);
  SetInitialFolderAndName(chooser, request);

  Text result;
  if (gtk_native_dialog_run(GTK_NATIVE_DIALOG(native)) == GTK_RESPONSE_ACCEPT) {
    gchar* path = gtk_file_chooser_get_filename(chooser);
    if (path != nullptr) result = TextOfPosixPath(path);
    g_free(path);
  }
  g_object_unref(native);
  FlushEvents();
  // No 259-unit cap as Windows' name buffer has: a deep Linux path is as
  // good as any, and the console prompt takes it too.
  return result;
}
