#include "ui/file_dialog.h"

#include <dlfcn.h>
#include <gtk/gtk.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <string>

#include "text/posix_path.h"
#include "text/utf8.h"
#include "ui/console_prompt.h"

// GTK is not linked: a run that shows no dialog (a sheet given that needs
// no question, a sweep without a missing image) would otherwise pay for
// loading it and its dozens of libraries and opening the display, tens of
// milliseconds and tens of megabytes, before its first sheet. The library is opened when the first
// dialog is due. Its header still gives every call's prototype, so each
// pointer below has the very type of the function it stands for. GObject's
// checked casts (GTK_FILE_CHOOSER() and the like) call into the library by
// name, so the casts here are plain ones: a GtkFileChooserNative is both a
// GtkFileChooser and a GtkNativeDialog at the same address.

namespace {

// The calls this file makes into GTK and GLib, found in the loaded library.
struct GtkCalls {
  decltype(&::gtk_init_check) gtk_init_check;
  decltype(&::gtk_events_pending) gtk_events_pending;
  decltype(&::gtk_main_iteration) gtk_main_iteration;
  decltype(&::gtk_file_chooser_native_new) gtk_file_chooser_native_new;
  decltype(&::gtk_native_dialog_set_modal) gtk_native_dialog_set_modal;
  decltype(&::gtk_native_dialog_run) gtk_native_dialog_run;
  decltype(&::gtk_file_chooser_set_do_overwrite_confirmation)
      gtk_file_chooser_set_do_overwrite_confirmation;
  decltype(&::gtk_file_chooser_set_select_multiple) gtk_file_chooser_set_select_multiple;
  decltype(&::gtk_file_chooser_set_current_folder) gtk_file_chooser_set_current_folder;
  decltype(&::gtk_file_chooser_set_current_name) gtk_file_chooser_set_current_name;
  decltype(&::gtk_file_chooser_get_filename) gtk_file_chooser_get_filename;
  decltype(&::gtk_file_chooser_add_filter) gtk_file_chooser_add_filter;
  decltype(&::gtk_file_chooser_set_filter) gtk_file_chooser_set_filter;
  decltype(&::gtk_file_filter_new) gtk_file_filter_new;
  decltype(&::gtk_file_filter_set_name) gtk_file_filter_set_name;
  decltype(&::gtk_file_filter_add_pattern) gtk_file_filter_add_pattern;
  decltype(&::g_get_current_dir) g_get_current_dir;
  decltype(&::g_object_unref) g_object_unref;
  decltype(&::g_free) g_free;
};

// Untried until the first dialog; then either GTK is loaded with a display
// open, or every dialog asks on the console.
enum class GtkState { Untried, Ready, Console };

GtkState gState = GtkState::Untried;
GtkCalls gGtk = {};

// Points slot at the library's function of that name; false when it has none.
template <typename Function>
bool Bind(void* library, const char* name, Function* slot) {
  *slot = reinterpret_cast<Function>(dlsym(library, name));
  return *slot != nullptr;
}

// Opens GTK 3 and finds every call above; false when the library is not
// installed or lacks one (older than 3.20, which brought the native chooser).
// The library stays loaded for the rest of the run.
bool LoadGtk() {
  void* library = dlopen("libgtk-3.so.0", RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) return false;
  GtkCalls& g = gGtk;
  return Bind(library, "gtk_init_check", &g.gtk_init_check) &&
         Bind(library, "gtk_events_pending", &g.gtk_events_pending) &&
         Bind(library, "gtk_main_iteration", &g.gtk_main_iteration) &&
         Bind(library, "gtk_file_chooser_native_new", &g.gtk_file_chooser_native_new) &&
         Bind(library, "gtk_native_dialog_set_modal", &g.gtk_native_dialog_set_modal) &&
         Bind(library, "gtk_native_dialog_run", &g.gtk_native_dialog_run) &&
         Bind(library, "gtk_file_chooser_set_do_overwrite_confirmation",
              &g.gtk_file_chooser_set_do_overwrite_confirmation) &&
         Bind(library, "gtk_file_chooser_set_select_multiple",
              &g.gtk_file_chooser_set_select_multiple) &&
         Bind(library, "gtk_file_chooser_set_current_folder",
              &g.gtk_file_chooser_set_current_folder) &&
         Bind(library, "gtk_file_chooser_set_current_name", &g.gtk_file_chooser_set_current_name) &&
         Bind(library, "gtk_file_chooser_get_filename", &g.gtk_file_chooser_get_filename) &&
         Bind(library, "gtk_file_chooser_add_filter", &g.gtk_file_chooser_add_filter) &&
         Bind(library, "gtk_file_chooser_set_filter", &g.gtk_file_chooser_set_filter) &&
         Bind(library, "gtk_file_filter_new", &g.gtk_file_filter_new) &&
         Bind(library, "gtk_file_filter_set_name", &g.gtk_file_filter_set_name) &&
         Bind(library, "gtk_file_filter_add_pattern", &g.gtk_file_filter_add_pattern) &&
         Bind(library, "g_get_current_dir", &g.g_get_current_dir) &&
         Bind(library, "g_object_unref", &g.g_object_unref) &&
         Bind(library, "g_free", &g.g_free);
}

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
    GtkFileFilter* filter = gGtk.gtk_file_filter_new();
    gGtk.gtk_file_filter_set_name(filter, Utf8(filters[i].description).c_str());
    const std::string patterns = Utf8(filters[i].patterns);
    size_t start = 0;
    while (start <= patterns.size()) {
      size_t end = patterns.find(';', start);
      if (end == std::string::npos) end = patterns.size();
      if (end > start) {
        const std::string pattern = AnyCasePattern(patterns.substr(start, end - start));
        gGtk.gtk_file_filter_add_pattern(filter, pattern.c_str());
      }
      start = end + 1;
    }
    gGtk.gtk_file_chooser_add_filter(chooser, filter);
    if (static_cast<int32_t>(i) == request.filterPosition) {
      gGtk.gtk_file_chooser_set_filter(chooser, filter);
    }
  }
}

// The folder shown first, as the system names it: the request's, or for an
// empty one (a bare default name) where the process stands, as Windows'
// dialogs do.
std::string InitialFolder(const FileDialogRequest& request) {
  if (!request.initialFolder.empty()) return PosixPath(request.initialFolder);
  gchar* current = gGtk.g_get_current_dir();
  std::string folder = current;
  gGtk.g_free(current);
  return folder;
}

void SetInitialFolderAndName(GtkFileChooser* chooser, const FileDialogRequest& request) {
  if (request.hasInitialFolder) {
    gGtk.gtk_file_chooser_set_current_folder(chooser, InitialFolder(request).c_str());
  }
  gGtk.gtk_file_chooser_set_current_name(chooser, Utf8(request.initialName).c_str());
}

// Lets GTK take the closed chooser off the screen before the run goes on.
void FlushEvents() {
  while (gGtk.gtk_events_pending()) gGtk.gtk_main_iteration();
}

// True when the environment names a display to open.
bool DisplayNamed() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return true;
  }
  return false;
}

// Loads GTK and opens the display, once; says whether dialogs are GTK's.
bool GtkReady() {
  if (gState != GtkState::Untried) return gState == GtkState::Ready;
  gState = GtkState::Console;
  if (!LoadGtk()) return false;
  bool open = gGtk.gtk_init_check(nullptr, nullptr);
  // A named display can refuse a connection for a moment on a busy
  // machine. Falling back at once would ask on a console nobody may be
  // watching, such as that of a program started from a menu, and the run
  // would end as if cancelled. Only a display still shut after about two
  // seconds sends the questions to the console.
  for (int attempt = 0; !open && attempt < 10 && DisplayNamed(); ++attempt) {
    usleep(200 * 1000);
    open = gGtk.gtk_init_check(nullptr, nullptr);
  }
  if (open) gState = GtkState::Ready;
  return open;
}

}  // namespace

// Nothing to prepare: GTK is loaded by the first dialog, if one comes.
void InitDialogs() {}

Text ShowPlatformFileDialog(const FileDialogRequest& request) {
  if (!GtkReady()) return ShowConsoleFileDialog(request);

  // Both kinds are GTK's save-style chooser, the open kind with an "Open"
  // button: GTK's open-style one has no name box, so it could neither show
  // which image is missing nor take a new name in an existing folder, as
  // Windows' open dialog does.
  const bool open = request.kind == FileDialogKind::Open;
  GtkFileChooserNative* native = gGtk.gtk_file_chooser_native_new(
      Utf8(request.title).c_str(), nullptr, GTK_FILE_CHOOSER_ACTION_SAVE,
      open ? "_Open" : nullptr, nullptr);
  GtkFileChooser* chooser = reinterpret_cast<GtkFileChooser*>(native);
  GtkNativeDialog* dialog = reinterpret_cast<GtkNativeDialog*>(native);
  gGtk.gtk_native_dialog_set_modal(dialog, TRUE);
  // An existing file is returned without a question, as on Windows.
  gGtk.gtk_file_chooser_set_do_overwrite_confirmation(chooser, FALSE);
  gGtk.gtk_file_chooser_set_select_multiple(chooser, FALSE);
  AddFilters(chooser, request);
  SetInitialFolderAndName(chooser, request);

  Text result;
  if (gGtk.gtk_native_dialog_run(dialog) == GTK_RESPONSE_ACCEPT) {
    gchar* path = gGtk.gtk_file_chooser_get_filename(chooser);
    if (path != nullptr) result = TextOfPosixPath(path);
    gGtk.g_free(path);
  }
  gGtk.g_object_unref(native);
  FlushEvents();
  // No 259-unit cap as Windows' name buffer has: a deep Linux path is as
  // good as any, and the console prompt takes it too.
  return result;
}
