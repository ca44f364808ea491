#pragma once

#include <vector>

#include "text/text.h"

// What a command line asks of the program.
enum class CommandLineRequest { Run, Help, Version, UnknownOption };

struct CommandLine {
  CommandLineRequest request = CommandLineRequest::Run;
  std::vector<Text> paths;  // for Run: the paths to act on, in the order given
  Text option;              // for UnknownOption: the option not understood
};

// Reads the arguments that follow the program's name. Until "--", an
// argument of two or more characters starting with "-" is an option, and
// the first option decides: "--help", "--version", or any other, which is
// unknown. "-" alone is a path. Without options, every other argument is a
// path, kept as given.
CommandLine ReadCommandLine(const std::vector<Text>& arguments);
