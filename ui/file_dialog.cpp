#include "ui/file_dialog.h"

#include "text/path_separator.h"

namespace {

bool gLastDialogFailed = false;
bool gQuestionsOff = false;

}  // namespace

Text ChooseFileToSave(const Text& title, const Text& defaultFile, const Text& filter,
                      int32_t filterPosition) {
  return ShowFileDialog(FileDialogKind::Save, title, defaultFile, filter, filterPosition);
}

Text ChooseFileToOpen(const Text& title, const Text& defaultFile, const Text& filter,
                      int32_t filterPosition) {
  return ShowFileDialog(FileDialogKind::Open, title, defaultFile, filter, filterPosition);
}

Text ShowFileDialog(FileDialogKind kind, const Text& title, const Text& defaultFile,
                    const Text& filter, int32_t filterPosition) {
  SetLastDialogFailed(false);
  if (gQuestionsOff) return kUnaskedName;
  return ShowPlatformFileDialog(PrepareFileDialog(kind, title, defaultFile, filter, filterPosition));
}

void SetQuestionsOff(bool off) { gQuestionsOff = off; }

bool LastDialogFailed() { return gLastDialogFailed; }

void SetLastDialogFailed(bool failed) { gLastDialogFailed = failed; }

FileDialogRequest PrepareFileDialog(FileDialogKind kind, const Text& title,
                                    const Text& defaultFile, const Text& filter,
                                    int32_t filterPosition) {
  FileDialogRequest request;
  request.kind = kind;
  request.title = title;
  request.filter = filter;
  request.filterPosition = filterPosition;
  if (defaultFile.empty()) return request;

  // Only the platform's own separator after the first character separates
  // folder from name; the other one stays in the name, which then fails
  // IsValidFileName.
  request.hasInitialFolder = true;
  const size_t separator = defaultFile.rfind(kFolderSeparator);
  if (separator != Text::npos && separator > 0) {
    request.initialFolder = defaultFile.substr(0, separator);
    request.initialName = defaultFile.substr(separator + 1);
  } else {
    request.initialName = defaultFile;
  }
  request.initialName = request.initialName.substr(0, kDialogNameLimit);
  if (!IsValidFileName(request.initialName)) request.initialName.clear();
  return request;
}

bool IsValidFileName(const Text& name) {
  static const Text kForbidden = u"\"*/:<>?\\|";
  if (name.empty()) return false;
  for (char16_t c : name) {
    if ((c >= 0x01 && c <= 0x1F) || kForbidden.find(c) != Text::npos) return false;
  }
  return true;
}

std::vector<FileFilter> FiltersOf(const Text& filter) {
  std::vector<FileFilter> filters;
  size_t start = 0;
  bool description = true;
  while (start < filter.size()) {
    size_t end = filter.find(u'|', start);
    if (end == Text::npos) end = filter.size();
    const Text field = filter.substr(start, end - start);
    if (description) {
      filters.push_back({field, Text()});
    } else {
      filters.back().patterns = field;
    }
    description = !description;
    start = end + 1;
  }
  return filters;
}

Text FilterListForDialog(const Text& filter) {
  Text list = filter + Text(3, u'\0');
  for (char16_t& c : list) {
    if (c == u'|') c = u'\0';
  }
  return list;
}
