// Names as a POSIX file system holds them: any bytes but "/" and NUL,
// UTF-8 or not, "\" and "|" among them. A run must act on exactly the
// files it was pointed at, and write their names as the bytes they are.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "files/file_size.h"
#include "files/held_folders.h"
#include "tests/support/run_harness.h"
#include "tests/support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

// Files under a library folder: path below it, as bytes, to content.
using Tree = std::map<std::string, std::string>;

std::string Fixture(const std::string& name) {
  return ReadBytes(T(std::string(BRINDLET_TEST_DATA) + name));
}

const std::string kSheet = Fixture("latin1_title.cue");  // names Cafe.bin
const std::string kRepaired = Fixture("latin1_title.expected.cue");

// The changes a repair of kSheet makes: the sheet and its backup.
Tree Repaired(const std::string& sheet) { return {{sheet, kRepaired}, {sheet + ".bak", kSheet}}; }

Tree Merged(std::initializer_list<Tree> trees) {
  Tree merged;
  for (const Tree& tree : trees) merged.insert(tree.begin(), tree.end());
  return merged;
}

// A path as the program holds it, for bytes whose only ones beyond ASCII
// are Latin-1 letters, which are never UTF-8: each such byte is U+DC00 + byte.
Text Named(const std::string& bytes) {
  Text text;
  for (unsigned char c : bytes) text += static_cast<char16_t>(c < 0x80 ? c : 0xDC00 + c);
  return text;
}

void Plant(const fs::path& library, const Tree& files) {
  for (const auto& [path, bytes] : files) {
    fs::create_directories((library / path).parent_path());
    std::ofstream(library / path, std::ios::binary).write(bytes.data(), bytes.size());
  }
}

Tree TreeOf(const fs::path& library) {
  Tree tree;
  for (const auto& entry : fs::recursive_directory_iterator(library)) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    tree[fs::relative(entry.path(), library).string()] = content.str();
  }
  return tree;
}

struct NameCase {
  std::string what;
  Tree planted;
  std::string chosen;              // the first dialog's answer, below the library
  std::vector<std::string> given;  // or paths given, from standIn
  std::string standIn;             // the folder the run stands in, below the library
  std::string picked;              // the answer for a missing image, below the library
  Tree changes;                    // every file that differs afterwards
};

// Runs the case in a fresh library: afterwards every file is as planted
// but for the changes, and no file is anywhere else.
void ExpectOnlyItsChanges(const NameCase& c) {
  SCOPED_TRACE(c.what);
  TempFolder folder;
  const fs::path library = folder.root / "library";
  fs::create_directories(library);
  Plant(library, c.planted);
  Tree expected = TreeOf(library);
  for (const auto& [path, bytes] : c.changes) expected[path] = bytes;

  const std::string base = library.string() + "/";
  const Text picked = c.picked.empty() ? Text() : Named(base + c.picked);
  std::vector<Text> given;
  for (const std::string& path : c.given) given.push_back(Named(path));
  ScriptDialogAnswers(given.empty() ? std::vector<Text>{Named(base + c.chosen), picked}
                                    : std::vector<Text>{picked});
  const fs::path startFolder = fs::current_path();
  fs::current_path(library / c.standIn);
  EXPECT_TRUE(RunProgramToEnd(given));
  fs::current_path(startFolder);
  EXPECT_EQ(TreeOf(library), expected);
}

}  // namespace

TEST(NamesOnDisk, BytesThatAreNotUtf8) {
  const Tree twoFolders = {{"one/Caf\xE9.cue", kSheet}, {"one/Cafe.cue", kSheet},
                           {"one/Cafe.bin", "x"},       {"two/Caf\xE9.cue", kSheet},
                           {"two/Cafe.cue", kSheet},    {"two/Cafe.bin", "x"}};
  const Tree latin1Folder = {{"D\xE9j\xE0 vu/Cafe.cue", kSheet}, {"D\xE9j\xE0 vu/Cafe.bin", "x"}};
  std::string asked = Fixture("asked_image.expected.cue");
  asked.replace(asked.find("Found.img"), 9, "Tr\xE8s.img");
  const std::vector<NameCase> cases = {
      {"sheets named in Latin-1, whichever comes first, end no sweep", twoFolders, "all", {}, "",
       "",
       Merged({Repaired("one/Caf\xE9.cue"), Repaired("one/Cafe.cue"), Repaired("two/Caf\xE9.cue"),
               Repaired("two/Cafe.cue")})},
      {"a sub-folder named in Latin-1 is swept", latin1Folder, "all", {}, "", "",
       Repaired("D\xE9j\xE0 vu/Cafe.cue")},
      {"a current folder named in Latin-1", latin1Folder, "", {"Cafe.cue"}, "D\xE9j\xE0 vu", "",
       Repaired("D\xE9j\xE0 vu/Cafe.cue")},
      {"an image picked under a Latin-1 name is written as its bytes",
       {{"Lost.cue", Fixture("asked_image.cue")}, {"Tr\xE8s.img", "x"}}, "Lost.cue", {}, "",
       "Tr\xE8s.img",
       {{"Lost.cue", asked}, {"Lost.cue.bak", Fixture("asked_image.cue")}}},
  };
  for (const NameCase& c : cases) ExpectOnlyItsChanges(c);
}

TEST(NamesOnDisk, BackslashAndBarAreNameCharacters) {
  const Tree library = {{"Disc|3/Cafe.cue", kSheet},     {"Disc|3/Cafe.bin", "x"},
                        {"Disc|3/Game.iso", "x"},        {"Disc|3/sub/Cafe.cue", kSheet},
                        {"Disc|3/sub/Cafe.bin", "x"},    {"other/Cafe.cue", kSheet},
                        {"other/Cafe.bin", "x"},         {"x/a\\b.cue", kSheet},
                        {"x/Cafe.bin", "x"},             {"Disc\\/sub/Cafe.cue", kSheet},
                        {"Disc\\/sub/Cafe.bin", "x"}};
  const std::vector<NameCase> cases = {
      {"\"all\" in Disc|3 sweeps its own sub-folders", library, "Disc|3/all", {}, "", "",
       Merged({Repaired("Disc|3/Cafe.cue"), Repaired("Disc|3/sub/Cafe.cue")})},
      {"an image in Disc|3 gets its sheet beside it", library, "Disc|3/Game.iso", {}, "", "",
       {{"Disc|3/Game.cue",
         "FILE \"Game.iso\" BINARY\r\n  TRACK 01 MODE2/2352\r\n    INDEX 01 00:00:00\r\n"}}},
      {"a sheet named a\\b.cue finds its images in its own folder", library, "x/a\\b.cue", {}, "",
       "", Repaired("x/a\\b.cue")},
      {"a folder whose name ends in a backslash is its own \"all\"", library, "", {"Disc\\"}, "",
       "", Repaired("Disc\\/sub/Cafe.cue")},
  };
  for (const NameCase& c : cases) ExpectOnlyItsChanges(c);
}

// While a sweep holds its folder open, a path reaches the file its whole
// path names: a name in a folder below, a folder beside whose name starts
// the same, the folder itself. Once let go, nothing is reached through it.
TEST(NamesOnDisk, AHeldFolderReachesWhatTheWholePathNames) {
  TempFolder folder;
  const Text held = folder.Folder(u"Disc");
  WriteBytes(held + u"a.bin", "1");
  WriteBytes(folder.Folder(u"Disc/Sub") + u"a.bin", "22");
  WriteBytes(folder.Folder(u"Disc 2") + u"a.bin", "333");
  const std::pair<Text, int64_t> cases[] = {
      {held + u"a.bin", 1},       {held + u"Sub/a.bin", 2}, {folder / u"Disc 2/a.bin", 3},
      {held + u"missing", kNoFile}, {held, kFolder},          {held + u"..", kFolder},
  };
  const FolderHold hold = HoldFolder(held);
  ASSERT_NE(hold, 0);
  for (const auto& [path, size] : cases) EXPECT_EQ(FileSize(path), size) << Fs(path);
  LetGoOfFolder(hold);
  fs::rename(Fs(held), folder.root / "Moved");
  EXPECT_EQ(FileSize(held + u"a.bin"), kNoFile);
}
