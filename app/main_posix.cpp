#include <csignal>
#include <cstdio>
#include <vector>

#include "app/command_line.h"
#include "app/start_up.h"
#include "text/posix_path.h"

namespace {

const char kUsage[] =
    "Usage: brindlet [PATH...]\n"
    "Repairs a cue sheet, writes a sheet for a CD image (.bin, .img, .iso),\n"
    "or, for a folder or a path named \"all\", repairs the sheets around it.\n"
    "Without a path, a file dialog asks for one.\n"
    "\n"
    "  --help     show this help and exit\n"
    "  --version  show the version and exit\n"
    "  --         take every later argument as a path\n";

}  // namespace

int main(int argc, char** argv) {
  std::vector<Text> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(TextOfPosixPath(argv[i]));
  const CommandLine line = ReadCommandLine(arguments);
  switch (line.request) {
    case CommandLineRequest::Help:
      std::fputs(kUsage, stdout);
      return 0;
    case CommandLineRequest::Version:
      std::puts("brindlet " BRINDLET_VERSION);
      return 0;
    case CommandLineRequest::UnknownOption:
      std::fprintf(stderr, "brindlet: unknown option %s\n%s", PosixPath(line.option).c_str(),
                   kUsage);
      return 2;
    case CommandLineRequest::Run:
      break;
  }
  // A file-size limit (ulimit -f) must fail a write, which the run
  // survives like a full disk, not kill the run half-way through a copy.
  std::signal(SIGXFSZ, SIG_IGN);
  RunBrindlet(line.paths);
}
