#pragma once

#include <vector>

#include "text/text.h"

// What a command line asks of the program.
enum class CommandLineRequest { Run, Help, Version, UnknownOption, PathNeeded };

// The ways a run may be asked to work besides its default one, which
// shows its dialog and says nothing.
struct RunOptions {
  bool restore = false;    // put back each sheet's original instead of repairing it
  bool playlists = false;  // write a playlist for each game of several discs reached
  bool verbose = false;    // a line for each thing reached, then the counts
  bool dryRun = false;     // the same lines, and nothing changes on disk
};

inline bool AnyOption(const RunOptions& options) {
  return options.restore || options.playlists || options.verbose || options.dryRun;
}

struct CommandLine {
  CommandLineRequest request = CommandLineRequest::Run;
  RunOptions options;       // for Run
  std::vector<Text> paths;  // for Run: the paths to act on, in the order given
  Text option;              // for UnknownOption: the option not understood
};

// Reads the arguments that follow the program's name. Until "--", an
// argument of two or more characters starting with "-" is an option.
// "--restore", "--playlists", "--verbose" and "--dry-run" (and "-v", "-n",
// or both in one "-vn") set what the run does, wherever they stand. The
// first of any other option decides: "--help", "--version", or one not
// understood. "-" alone is a path. Every other argument is a path, kept
// as given. A dry run shows no dialog, so it needs a path: PathNeeded.
CommandLine ReadCommandLine(const std::vector<Text>& arguments);

// The usage --help prints, lines ended with "\n".
const Text& UsageText();
