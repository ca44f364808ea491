#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "app/start_up.h"
#include "tests/support/run_harness.h"
#include "tests/support/temp_folder.h"
#include "text/path_separator.h"

namespace {

const std::string kSheet = "FILE \"Game.bin\" BINARY\r\nTRACK 01 MODE1/2352\r\nINDEX 01 00:00:00\r\n";
const std::string kRepaired =
    "FILE \"Game.bin\" BINARY\r\n  TRACK 01 MODE1/2352\r\n    INDEX 01 00:00:00\r\n";

// The names in a folder tree, to show that a run changed nothing.
std::vector<std::string> Tree(const TempFolder& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder.root)) {
    names.push_back(entry.path().u8string() + "=" +
                    (entry.is_regular_file() ? ReadBytes(entry.path().u16string()) : "/"));
  }
  std::sort(names.begin(), names.end());
  return names;
}

// A library folder holding a sheet, its image and a sub-folder with
// another sheet; returns the library folder.
Text FillLibrary(const TempFolder& folder) {
  const Text library = folder.Folder(u"library");
  const Text sub = folder.Folder(u"library/sub");
  WriteBytes(library + u"Game.CUE", kSheet);
  WriteBytes(library + u"Game.bin", "image");
  WriteBytes(sub + u"Game.cue", kSheet);
  WriteBytes(sub + u"Game.bin", "image");
  WriteBytes(library + u"notes.txt", "x");
  return library;
}

}  // namespace

TEST(StartUp, AsksOnceWithTheSaveDialog) {
  ScriptDialogAnswers({});
  EXPECT_TRUE(RunProgramToEnd());
  ASSERT_EQ(DialogRequests().size(), 1u);
  const FileDialogRequest& request = DialogRequests()[0];
  EXPECT_EQ(request.kind, FileDialogKind::Save);
  EXPECT_EQ(request.title, u"Brindlet");
  EXPECT_TRUE(request.hasInitialFolder);
  EXPECT_EQ(request.initialFolder, u"");
  EXPECT_EQ(request.initialName, u"all");
  EXPECT_EQ(request.filter, u"Cue/Bin/Img/Iso|*.cue;*.bin;*.iso;*.img|all|*.*");
  EXPECT_EQ(request.filterPosition, 0);
}

TEST(StartUp, AnswersThatChangeNothing) {
  TempFolder folder;
  const Text library = FillLibrary(folder);
  const std::vector<std::string> before = Tree(folder);
  for (const Text& answer : std::vector<Text>{Text(), library + u"All", library + u"ALL", library + u"Game.cue.bak",
                             library + u"notes.txt", library + u"x.txt", library + u"noextension",
                             library + u"all.txt"}) {
    ScriptDialogAnswers({answer});
    EXPECT_TRUE(RunProgramToEnd());
    EXPECT_EQ(Tree(folder), before) << std::string(answer.begin(), answer.end());
  }
}

TEST(StartUp, ACueSheetOfAnyExtensionCaseIsRepaired) {
  TempFolder folder;
  const Text library = FillLibrary(folder);
  ScriptDialogAnswers({library + u"Game.CUE"});
  EXPECT_TRUE(RunProgramToEnd());
  EXPECT_EQ(ReadBytes(library + u"Game.CUE"), kRepaired);
  EXPECT_EQ(ReadBytes(library + u"Game.CUE.bak"), kSheet);
  // Only the picked sheet: the sub-folder's is untouched.
  EXPECT_FALSE(Exists(folder.Folder(u"library/sub") + u"Game.cue.bak"));
}

TEST(StartUp, AllSweepsTheFolder) {
  TempFolder folder;
  const Text library = FillLibrary(folder);
  ScriptDialogAnswers({library + u"all"});
  EXPECT_TRUE(RunProgramToEnd());
  const Text sub = folder.Folder(u"library/sub");
  EXPECT_EQ(ReadBytes(sub + u"Game.cue"), kRepaired);
  EXPECT_EQ(ReadBytes(sub + u"Game.cue.bak"), kSheet);
  EXPECT_EQ(ReadBytes(library + u"Game.CUE"), kRepaired);  // through "."
}

TEST(StartUp, AnImageGetsASheet) {
  TempFolder folder;
  ScriptDialogAnswers({folder / u"Racer.iso"});
  EXPECT_TRUE(RunProgramToEnd());
  EXPECT_EQ(ReadBytes(folder / u"Racer.cue"),
            "FILE \"Racer.iso\" BINARY\r\n  TRACK 01 MODE2/2352\r\n    INDEX 01 00:00:00\r\n");
  EXPECT_EQ(DialogRequests().size(), 1u);
}

TEST(StartUp, PathsGivenAreEachActedOnWithoutTheFirstDialog) {
  struct Case {
    std::vector<Text> paths;  // relative to the library, where the run stands
    bool absolute;            // given with the library's folder in front
    bool libraryRepaired, subRepaired, imageGotSheet;
  };
  const std::vector<Case> cases = {
      // Two sheets with a file of no known kind between them.
      {{u"Game.CUE", u"notes.txt", u"sub/Game.cue"}, true, true, true, false},
      {{u"Racer.iso"}, false, false, false, true},
      // A folder is its own "all": its sheets, its parent's, and below.
      {{u"sub"}, false, true, true, false},
      {{u"all"}, false, true, true, false},
      // An empty argument is passed over, not taken for the current folder.
      {{u"", u"sub/Game.cue"}, false, false, true, false},
      // A sheet that is not there is passed over.
      {{u"Gone.cue", u"Game.CUE"}, true, true, false, false},
  };
  const std::filesystem::path startFolder = std::filesystem::current_path();
  for (size_t i = 0; i < cases.size(); ++i) {
    TempFolder folder;
    const Text library = FillLibrary(folder);
    WriteBytes(library + u"Racer.iso", "image");
    std::filesystem::current_path(Fs(library));
    std::vector<Text> paths;
    for (const Text& path : cases[i].paths) {
      paths.push_back(cases[i].absolute && !path.empty() ? library + path : path);
    }
    ScriptDialogAnswers({});
    EXPECT_TRUE(RunProgramToEnd(paths)) << "case " << i;
    EXPECT_TRUE(DialogRequests().empty()) << "case " << i;
    EXPECT_EQ(ReadBytes(library + u"Game.CUE") == kRepaired, cases[i].libraryRepaired) << "case " << i;
    EXPECT_EQ(ReadBytes(library + u"sub/Game.cue") == kRepaired, cases[i].subRepaired) << "case " << i;
    EXPECT_EQ(Exists(library + u"Racer.cue"), cases[i].imageGotSheet) << "case " << i;
    std::filesystem::current_path(startFolder);
  }
}

TEST(StartUp, AGivenPathIsTakenAsTheDialogWouldReturnIt) {
  TempFolder folder;
  const Text library = FillLibrary(folder);
  const Text sub = library + u"sub";
  const std::vector<std::pair<Text, Text>> cases = {
      {u"", u""},
      {u"Game.CUE", library + u"Game.CUE"},
      {u"no/such.cue", library + u"no/such.cue"},
      {u"sub", sub + kFolderSeparator + u"all"},
      {sub + kFolderSeparator, sub + kFolderSeparator + u"all"},
      {library + u"all", library + u"all"},
  };
  const std::filesystem::path startFolder = std::filesystem::current_path();
  std::filesystem::current_path(Fs(library));
  for (const auto& [given, chosen] : cases) {
    EXPECT_EQ(ChoiceForPath(given), chosen);
  }
  std::filesystem::current_path(startFolder);
}
