#include <windows.h>
#include <shellapi.h>

#include <vector>

#include "app/start_up.h"

namespace {

// The arguments after the program's name, split the way the C runtime
// splits them, so that quoted names with spaces arrive whole.
std::vector<Text> PathArguments() {
  std::vector<Text> paths;
  int count = 0;
  LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  if (arguments == nullptr) return paths;
  for (int i = 1; i < count; ++i) paths.push_back(reinterpret_cast<const char16_t*>(arguments[i]));
  LocalFree(arguments);
  return paths;
}

}  // namespace

// A GUI-subsystem entry: no console window opens behind the dialog. With
// no console to print to, there are no options: every argument, such as
// each file dropped onto the program, is a path.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  RunBrindlet(PathArguments());
  return 0;
}
