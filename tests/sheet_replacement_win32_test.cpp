#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "app/rewrite_cue_sheet.h"
#include "app/sweep_folders.h"
#include "tests/support/run_harness.h"
#include "tests/support/temp_folder.h"
#include "text/path_separator.h"

namespace {

const std::string kSheet = "FILE \"x.bin\" BINARY\r\nTRACK 01 MODE1/2352\r\n";
const std::string kRepaired = "FILE \"x.bin\" BINARY\r\n  TRACK 01 MODE1/2352\r\n";

std::wstring Wide(const Text& path) { return Fs(path).wstring(); }

// The volume and file number of the file at path; 0 when it cannot be read.
uint64_t FileNumber(const Text& path) {
  const HANDLE file = CreateFileW(Wide(path).c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  BY_HANDLE_FILE_INFORMATION information;
  const bool read = file != INVALID_HANDLE_VALUE && GetFileInformationByHandle(file, &information);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  return read ? (uint64_t{information.nFileIndexHigh} << 32 | information.nFileIndexLow) : 0;
}

constexpr DWORD kShown = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY;

}  // namespace

// The new sheet keeps the attributes ReplaceFileW would have kept; a
// read-only sheet is left as it is, read-only still.
TEST(SheetReplacement, TheSheetKeepsItsAttributes) {
  const struct {
    DWORD attributes;
    bool repaired;
  } cases[] = {
      {FILE_ATTRIBUTE_HIDDEN, true},
      {FILE_ATTRIBUTE_SYSTEM, true},
      {FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM, true},
      {FILE_ATTRIBUTE_READONLY, false},
      {FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN, false},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.attributes);
    TempFolder folder;
    const Text sheet = folder / u"s.cue";
    WriteBytes(sheet, kSheet);
    WriteBytes(folder / u"x.bin", "x");
    ASSERT_TRUE(SetFileAttributesW(Wide(sheet).c_str(), test.attributes));
    EXPECT_TRUE(RewriteReturned(sheet));
    EXPECT_EQ(GetFileAttributesW(Wide(sheet).c_str()) & kShown, test.attributes);
    EXPECT_EQ(ReadBytes(sheet), test.repaired ? kRepaired : kSheet);
    EXPECT_EQ(ReadBytes(sheet + u".bak"), test.repaired ? kSheet : "<missing>");
    SetFileAttributesW(Wide(sheet).c_str(), FILE_ATTRIBUTE_NORMAL);
    SetFileAttributesW(Wide(sheet + u".bak").c_str(), FILE_ATTRIBUTE_NORMAL);
  }
}

// The backup is the old sheet's own file under a second name. A run
// stopped between keeping it and renaming the new sheet over the old one
// leaves both names on that file: the next repair reads the backup
// through the sheet it holds, and finishes.
TEST(SheetReplacement, TheBackupIsTheOldSheetsOwnFile) {
  for (const bool stoppedBefore : {false, true}) {
    SCOPED_TRACE(stoppedBefore);
    TempFolder folder;
    const Text sheet = folder / u"s.cue";
    WriteBytes(sheet, kSheet);
    WriteBytes(folder / u"x.bin", "x");
    const uint64_t old = FileNumber(sheet);
    ASSERT_NE(old, 0u);
    if (stoppedBefore) {
      ASSERT_TRUE(CreateHardLinkW(Wide(sheet + u".bak").c_str(), Wide(sheet).c_str(), nullptr));
    }
    EXPECT_TRUE(RewriteReturned(sheet));
    EXPECT_EQ(ReadBytes(sheet), kRepaired);
    EXPECT_EQ(ReadBytes(sheet + u".bak"), kSheet);
    EXPECT_EQ(FileNumber(sheet + u".bak"), old);
    EXPECT_NE(FileNumber(sheet), old);
  }
}

// While a question waits, neither the folder chosen, nor the folder being
// swept, nor a picked sheet's folder can be renamed, so no later work
// lands elsewhere; let go, they can. (Under wine a folder's listing holds
// it as well; a picked sheet's folder is held by its repair alone.)
TEST(HeldFolders, TheFoldersWorkedInCannotBeRenamedWhileAQuestionWaits) {
  for (const bool picked : {false, true}) {
    SCOPED_TRACE(picked);
    TempFolder folder;
    const Text chosen = folder.Folder(u"top/chosen");
    const Text swept = folder.Folder(u"top/chosen/A");
    WriteBytes(swept + u"ask.cue", "FILE \"lost.bin\" BINARY\r\nTRACK 01 MODE1/2352\r\n");
    std::vector<std::wstring> held = {Fs(swept).parent_path().wstring()};
    if (!picked) held.push_back(Fs(chosen).parent_path().wstring());
    int asked = 0;
    std::vector<DWORD> refusals;
    ScriptDialogAction([&](const FileDialogRequest&) {
      ++asked;
      for (const std::wstring& path : held) {
        refusals.push_back(MoveFileW(path.c_str(), (path + L".moved").c_str()) ? 0
                                                                               : GetLastError());
      }
      return Text();
    });
    try {
      if (picked) RewriteCueSheet(swept + u"ask.cue");
      else SweepSubfolders(chosen);
    } catch (const RunEnded&) {
    }
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(refusals, std::vector<DWORD>(held.size(), ERROR_SHARING_VIOLATION));
    EXPECT_TRUE(Exists(swept + u"ask.cue.bak"));
    for (const std::wstring& path : held) {
      EXPECT_TRUE(MoveFileW(path.c_str(), (path + L".moved").c_str()));
    }
  }
}
