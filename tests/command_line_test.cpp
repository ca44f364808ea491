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
