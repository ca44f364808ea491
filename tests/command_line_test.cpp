#include "app/command_line.h"

#include <gtest/gtest.h>

TEST(CommandLine, OptionsDecideAndPathsAreKeptAsGiven) {
  using R = CommandLineRequest;
  struct Case {
    std::vector<Text> arguments;
    R request;
    std::vector<Text> paths;
    Text option;
  };
  const std::vector<Case> cases = {
      {{}, R::Run, {}, u""},
      {{u"a.cue", u"-", u"My Game (Disc 1).cue", u""},
       R::Run, {u"a.cue", u"-", u"My Game (Disc 1).cue", u""}, u""},
      {{u"--help"}, R::Help, {}, u""},
      {{u"a.cue", u"--version", u"b.cue"}, R::Version, {}, u""},
      {{u"--help", u"--bogus"}, R::Help, {}, u""},
      {{u"a.cue", u"--bogus", u"--help"}, R::UnknownOption, {}, u"--bogus"},
      {{u"-h"}, R::UnknownOption, {}, u"-h"},
      {{u"--help=x"}, R::UnknownOption, {}, u"--help=x"},
      {{u"a.cue", u"--", u"--help", u"-x", u"--"}, R::Run, {u"a.cue", u"--help", u"-x", u"--"}, u""},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    const CommandLine line = ReadCommandLine(cases[i].arguments);
    EXPECT_EQ(line.request, cases[i].request) << "case " << i;
    EXPECT_EQ(line.paths, cases[i].paths) << "case " << i;
    EXPECT_EQ(line.option, cases[i].option) << "case " << i;
  }
}

// The run's options may stand anywhere before "--", alone or as "-vn";
// they never end the reading as --help does, and a dry run needs a path.
TEST(CommandLine, RunOptionsAreTakenWhereverTheyStand) {
  using R = CommandLineRequest;
  struct Case {
    std::vector<Text> arguments;
    R request;
    const char* options;  // r p v n, for each option set
    std::vector<Text> paths;
  };
  const std::vector<Case> cases = {
      {{u"--restore", u"a.cue", u"--playlists"}, R::Run, "rp", {u"a.cue"}},
      {{u"-v", u"a.cue", u"--dry-run"}, R::Run, "vn", {u"a.cue"}},
      {{u"-vn", u"--verbose", u"a.cue"}, R::Run, "vn", {u"a.cue"}},
      {{u"-nv", u"--", u"-v", u"--restore"}, R::Run, "vn", {u"-v", u"--restore"}},
      {{u"-v", u"--help"}, R::Help, "", {}},
      {{u"-vx", u"a.cue"}, R::UnknownOption, "", {}},
      {{u"--restore=yes"}, R::UnknownOption, "", {}},
      {{u"--Verbose"}, R::UnknownOption, "", {}},
      {{u"-n"}, R::PathNeeded, "n", {}},
      {{u"-v"}, R::Run, "v", {}},
      {{u"--restore"}, R::Run, "r", {}},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    const CommandLine line = ReadCommandLine(cases[i].arguments);
    const std::string set = std::string(line.options.restore ? "r" : "") +
                            (line.options.playlists ? "p" : "") +
                            (line.options.verbose ? "v" : "") + (line.options.dryRun ? "n" : "");
    EXPECT_EQ(line.request, cases[i].request) << "case " << i;
    EXPECT_EQ(set, cases[i].options) << "case " << i;
    EXPECT_EQ(line.paths, cases[i].paths) << "case " << i;
  }
}
