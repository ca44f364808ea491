#include <windows.h>
#include <shellapi.h>

#include <vector>

#include "app/command_line.h"
#include "app/start_up.h"
#include "ui/console_output.h"

namespace {

// The arguments after the program's name, split the way the C runtime
// splits them, so that quoted names with spaces arrive whole.
std::vector<Text> Arguments() {
  std::vector<Text> arguments;
  int count = 0;
  LPWSTR* given = CommandLineToArgvW(GetCommandLineW(), &count);
  if (given == nullptr) return arguments;
  for (int i = 1; i < count; ++i) arguments.push_back(reinterpret_cast<const char16_t*>(given[i]));
  LocalFree(given);
  return arguments;
}

}  // namespace

// A GUI-subsystem entry: no console window opens behind the dialog. Files
// dropped onto the program arrive as paths; options and their answers
// (usage, version, the report of -v and -n) go to the console of the
// program that started it, if any.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const CommandLine line = ReadCommandLine(Arguments());
  switch (line.request) {
    case CommandLineRequest::Help:
      WriteConsoleText(UsageText());
      return 0;
    case CommandLineRequest::Version:
      WriteConsoleLine(u"brindlet " BRINDLET_VERSION);
      return 0;
    case CommandLineRequest::UnknownOption:
      WriteConsoleText(u"brindlet: unknown option " + line.option + u"\n" + UsageText(), true);
      return 2;
    case CommandLineRequest::PathNeeded:
      WriteConsoleText(u"brindlet: a dry run needs a path\n" + UsageText(), true);
      return 2;
    case CommandLineRequest::Run:
      break;
  }
  RunBrindlet(line.paths, line.options);
  return 0;
}
