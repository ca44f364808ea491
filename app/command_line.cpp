#include "app/command_line.h"

#include "text/string_helpers.h"

namespace {

// Sets the option the argument names; false for one that is not a run option.
bool SetRunOption(const Text& argument, RunOptions* options) {
  if (StringsEqual(argument, u"--restore")) {
    options->restore = true;
  } else if (StringsEqual(argument, u"--playlists")) {
    options->playlists = true;
  } else if (StringsEqual(argument, u"--verbose")) {
    options->verbose = true;
  } else if (StringsEqual(argument, u"--dry-run")) {
    options->dryRun = true;
  } else if (argument[1] == u'-') {
    return false;
  } else {
    // Short options go together, as "-vn", the way cp and rsync take them.
    RunOptions set = *options;
    for (size_t i = 1; i < argument.size(); ++i) {
      if (argument[i] == u'v') {
        set.verbose = true;
      } else if (argument[i] == u'n') {
        set.dryRun = true;
      } else {
        return false;
      }
    }
    *options = set;
  }
  return true;
}

}  // namespace

CommandLine ReadCommandLine(const std::vector<Text>& arguments) {
  CommandLine line;
  bool optionsEnded = false;
  for (const Text& argument : arguments) {
    const bool isOption = !optionsEnded && argument.size() >= 2 && argument[0] == u'-';
    if (!isOption) {
      line.paths.push_back(argument);
    } else if (StringsEqual(argument, u"--")) {
      optionsEnded = true;
    } else if (!SetRunOption(argument, &line.options)) {
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
      line.options = RunOptions();
      return line;
    }
  }
  if (line.options.dryRun && line.paths.empty()) line.request = CommandLineRequest::PathNeeded;
  return line;
}

const Text& UsageText() {
  static const Text usage =
      u"Usage: brindlet [OPTION...] [PATH...]\n"
      u"Repairs a cue sheet, writes a sheet for a CD image (.bin, .img, .iso),\n"
      u"or, for a folder or a path named \"all\", repairs the sheets around it.\n"
      u"Without a path, a file dialog asks for one.\n"
      u"\n"
      u"  --restore      put back the original of each sheet a repair changed\n"
      u"  --playlists    write an .m3u playlist for each game of several discs\n"
      u"  -v, --verbose  say what happened to each sheet, image and playlist\n"
      u"  -n, --dry-run  say what would happen, and change nothing\n"
      u"  --help         show this help and exit\n"
      u"  --version      show the version and exit\n"
      u"  --             take every later argument as a path\n";
  return usage;
}
