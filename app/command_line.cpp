#include "app/command_line.h"

#include "text/string_helpers.h"

CommandLine ReadCommandLine(const std::vector<Text>& arguments) {
  CommandLine line;
  bool optionsEnded = false;
  for (const Text& argument : arguments) {
    const bool isOption = !optionsEnded && argument.size() >= 2 && argument[0] == u'-';
    if (!isOption) {
      line.paths.push_back(argument);
    } else if (StringsEqual(argument, u"--")) {
      optionsEnded = true;
    } else {
      if (StringsEqual(argument, u"--help")) {
        line.request = CommandLineRequest::Help;
      } else if (StringsEqual(argument, u"--version")) {
        line.request = CommandLineRequest::Version;
      } else {
        line.request = CommandLineRequest::UnknownOption;
        line.option = argument;
      }
      // Nothing after the deciding option is acted on, so none of it is kept.
      line.paths.clear();
      return line;
    }
  }
  return line;
}
