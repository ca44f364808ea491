#include "ui/console_prompt.h"

#include <cstdio>
#include <string>

#include "files/current_folder.h"
#include "files/file_size.h"
#include "text/path_separator.h"
#include "text/string_helpers.h"
#include "text/utf8.h"

namespace {

void Print(std::FILE* stream, const Text& text) {
  const std::string bytes = EncodeUtf8(text);
  std::fwrite(bytes.data(), 1, bytes.size(), stream);
  std::fflush(stream);
}

// One line of standard input without its LF or CR LF. False at the end of
// input, unless a last unterminated line was read. A typed path is a name
// for the system, so bytes that are not UTF-8 are kept as they are.
bool ReadInputLine(Text* line) {
  std::string bytes;
  int c;
  while ((c = std::fgetc(stdin)) != EOF && c != '\n') bytes += static_cast<char>(c);
  if (c == EOF && bytes.empty()) return false;
  if (!bytes.empty() && bytes.back() == '\r') bytes.pop_back();
  *line = DecodeUtf8KeepingBytes(bytes.data(), bytes.size());
  return true;
}

// No name a person means holds a control character, and the system would
// cut a path at a NUL and take what comes before it for another file.
bool HoldsControlCharacter(const Text& answer) {
  for (char16_t c : answer) {
    if (c < 0x20 || c == 0x7F) return true;
  }
  return false;
}

void ShowRequest(const FileDialogRequest& request, const Text& folder) {
  Text types;
  const std::vector<FileFilter> filters = FiltersOf(request.filter);
  for (size_t i = 0; i < filters.size(); ++i) {
    if (!types.empty()) types += u", ";
    types += filters[i].description + u" (" + filters[i].patterns + u")";
    if (static_cast<int32_t>(i) == request.filterPosition) types += u" [selected]";
  }
  Text shown = request.title + u"\n";
  shown += u"Folder: " + folder + u"\n";
  shown += u"Name: " + request.initialName + u"\n";
  shown += u"Types: " + types + u"\n";
  shown += request.kind == FileDialogKind::Save ? u"Save as (empty to cancel): "
                                                : u"Open (empty to cancel): ";
  Print(stdout, shown);
}

}  // namespace

Text ShowConsoleFileDialog(const FileDialogRequest& request) {
  // Relative names are taken in the initial folder, or where the process
  // stands when the dialog was given none.
  const Text folder =
      WithFolderSeparator(request.initialFolder.empty() ? CurrentFolder() : request.initialFolder);
  while (true) {
    ShowRequest(request, folder);
    Text answer;
    if (!ReadInputLine(&answer) || answer.empty()) return Text();
    if (HoldsControlCharacter(answer)) {
      Print(stderr, u"Not a name: it holds a control character\n");
      continue;
    }
    const Text path = IsAbsolutePath(answer) ? answer : folder + answer;
    // As a dialog does, refuse a name whose folder does not exist and ask again.
    const Text answerFolder = FolderOf(path);
    if (answerFolder.empty() || FileSize(answerFolder) == kFolder) return path;
    Print(stderr, u"No such folder: " + answerFolder + u"\n");
  }
}
