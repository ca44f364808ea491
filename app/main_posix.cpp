#include <csignal>
#include <cstdio>
#include <vector>

#include "app/command_line.h"
#include "app/start_up.h"
#include "text/posix_path.h"

int main(int argc, char** argv) {
  std::vector<Text> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(TextOfPosixPath(argv[i]));
  const CommandLine line = ReadCommandLine(arguments);
  const std::string usage = PosixPath(UsageText());
  switch (line.request) {
    case CommandLineRequest::Help:
      std::fputs(usage.c_str(), stdout);
      return 0;
    case CommandLineRequest::Version:
      std::puts("brindlet " BRINDLET_VERSION);
      return 0;
    case CommandLineRequest::UnknownOption:
      std::fprintf(stderr, "brindlet: unknown option %s\n%s", PosixPath(line.option).c_str(),
                   usage.c_str());
      return 2;
    case CommandLineRequest::PathNeeded:
      std::fprintf(stderr, "brindlet: a dry run needs a path\n%s", usage.c_str());
      return 2;
    case CommandLineRequest::Run:
      break;
  }
  // A file-size limit (ulimit -f) must fail a write, which the run
  // survives like a full disk, not kill the run half-way through a copy.
  std::signal(SIGXFSZ, SIG_IGN);
  RunBrindlet(line.paths, line.options);
}
