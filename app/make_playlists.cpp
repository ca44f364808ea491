#include "app/make_playlists.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "app/end_run.h"
#include "app/passed_over.h"
#include "app/run_report.h"
#include "files/file_size.h"
#include "files/path_kind.h"
#include "files/platform_file.h"
#include "files/sheet_repair.h"
#include "text/path_separator.h"
#include "text/string_helpers.h"
#include "text/utf8.h"

namespace {

// The sheets remembered, folder by folder in the order first reached.
struct FolderSheets {
  Text folder;
  std::vector<Text> names;
};

std::vector<FolderSheets> gFolders;

constexpr TextView kMarkerWords[] = {u"disc", u"disk", u"cd"};

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// A number of one or two digits from 1 to 99 at *at, moved past it.
int NumberAt(TextView text, size_t* at) {
  size_t end = *at;
  while (end < text.size() && IsDigit(text[end]) && end - *at < 3) ++end;
  if (end == *at || end - *at > 2) return 0;
  int value = 0;
  for (size_t i = *at; i < end; ++i) value = value * 10 + (text[i] - u'0');
  *at = end;
  return value;
}

// Whether text at *at starts with word in any letter case; moved past it.
bool WordAt(TextView text, size_t* at, TextView word) {
  if (text.size() - *at < word.size()) return false;
  for (size_t i = 0; i < word.size(); ++i) {
    if (AsciiLower(text[*at + i]) != word[i]) return false;
  }
  *at += word.size();
  return true;
}

// The disc number of a marker "(Word N)" or "(Word N of M)" starting at
// the parenthesis at `open`, and where the marker ends; 0 for none.
int MarkerAt(TextView name, size_t open, size_t* end) {
  for (const TextView word : kMarkerWords) {
    size_t at = open + 1;
    if (!WordAt(name, &at, word) || !WordAt(name, &at, u" ")) continue;
    const int disc = NumberAt(name, &at);
    if (disc == 0) continue;
    size_t of = at;
    if (WordAt(name, &of, u" of ") && NumberAt(name, &of) != 0) at = of;
    if (at < name.size() && name[at] == u')') {
      *end = at + 1;
      return disc;
    }
  }
  return 0;
}

// Whether the playlist file (a plain file a moment ago) holds exactly
// these bytes; false for one that cannot be read. It is only read.
bool Holds(const Text& path, const std::string& bytes) {
  const PlatformFile file = OpenPlatformFileForPeeking(path);
  if (file == kNoPlatformFile) return false;
  std::string held(bytes.size() + 1, '\0');
  const int32_t got = ReadPlatformFile(file, &held[0], static_cast<int32_t>(held.size()));
  ClosePlatformFile(file);
  return static_cast<size_t>(got) == bytes.size() && held.compare(0, bytes.size(), bytes) == 0;
}

// Writes one playlist, in one step, as a sheet made for an image is.
Outcome WritePlaylist(const Text& path, const std::string& bytes) {
  switch (KindOfPath(path)) {
    case PathKind::Link:
      return Outcome::Link;
    case PathKind::Folder:
    case PathKind::Other:
      return Outcome::NotAFile;
    case PathKind::NameTooLong:
      return Outcome::NameTooLong;
    case PathKind::File:
      if (Holds(path, bytes)) return Outcome::AlreadyRight;
      break;
    case PathKind::Missing:
      break;
  }
  if (Options().dryRun) {
    return KindOfPath(path) == PathKind::Missing || FileSize(path) == 0 ? Outcome::PlaylistWritten
                                                                        : Outcome::OtherPlaylist;
  }
  SetWorkingOn(path);
  // Only a missing or empty file gives way; anything else is the user's.
  const SheetOutputHandle output = CreateSheet(path);
  if (output == 0) return Outcome::OtherPlaylist;
  WriteSheetText(output, DecodeUtf8KeepingBytes(bytes.data(), bytes.size()));
  return OutcomeOfPut(PutSheetInPlace(output), Outcome::PlaylistWritten, Outcome::PlaylistWritten);
}

struct Disc {
  int number;
  Text name;
};

// A sweep reaches the sheets of a folder itself through its "." entry:
// "games/./" is grouped with "games/", and its playlist named from there.
Text FolderOfGame(Text folder) {
  while (folder.size() >= 2 && folder[folder.size() - 2] == u'.' &&
         IsFolderSeparator(folder.back()) &&
         (folder.size() == 2 || IsFolderSeparator(folder[folder.size() - 3]))) {
    folder.resize(folder.size() - 2);
  }
  return folder;
}

// A sheet's place in a game: the playlist's name and the disc's number.
struct DiscOfGame {
  Text playlistName;  // "" when the name holds no disc marker
  int disc = 0;
};

// Reads the disc marker of a sheet's bare name ("Game (Disc 2).cue"): the
// first one, after a blank.
DiscOfGame DiscOf(const Text& sheetName) {
  DiscOfGame game;
  const size_t dot = sheetName.rfind(u'.');
  const TextView base = TextView(sheetName).substr(0, dot);
  for (size_t open = base.find(u" ("); open != TextView::npos; open = base.find(u" (", open + 1)) {
    size_t end = 0;
    const int disc = MarkerAt(base, open + 1, &end);
    if (disc == 0) continue;
    game.disc = disc;
    game.playlistName = Text(base.substr(0, open)) + Text(base.substr(end)) + u".m3u";
    return game;
  }
  return game;
}

// LF alone ends each line: every emulator's playlist reader splits lines
// at LF, while a reader that splits only there would keep a CR as the last
// character of the name and find no such sheet.
std::string PlaylistBytes(const std::vector<Text>& sheetNames) {
  std::string bytes;
  for (const Text& name : sheetNames) bytes += EncodeUtf8(name) + "\n";
  return bytes;
}

}  // namespace

void RememberForPlaylist(const Text& sheetPath) {
  const Text name = sheetPath.substr(FolderOf(sheetPath).size());
  const Text folder = FolderOfGame(FolderOf(sheetPath));
  for (FolderSheets& sheets : gFolders) {
    if (sheets.folder != folder) continue;
    if (std::find(sheets.names.begin(), sheets.names.end(), name) == sheets.names.end()) {
      sheets.names.push_back(name);
    }
    return;
  }
  gFolders.push_back({folder, {name}});
}

void ForgetPlaylistSheets() { gFolders.clear(); }

void WritePlaylists() {
  std::vector<FolderSheets> folders;
  folders.swap(gFolders);
  for (const FolderSheets& sheets : folders) {
    // Each game's discs, games in the order their first sheet was reached.
    std::vector<std::pair<Text, std::vector<Disc>>> games;
    for (const Text& name : sheets.names) {
      const DiscOfGame game = DiscOf(name);
      if (game.playlistName.empty()) continue;
      auto it = std::find_if(games.begin(), games.end(),
                             [&](const auto& g) { return g.first == game.playlistName; });
      if (it == games.end()) it = games.insert(games.end(), {game.playlistName, {}});
      it->second.push_back({game.disc, name});
    }
    for (auto& game : games) {
      if (game.second.size() < 2) continue;
      std::sort(game.second.begin(), game.second.end(), [](const Disc& a, const Disc& b) {
        return a.number != b.number ? a.number < b.number : a.name < b.name;
      });
      std::vector<Text> names;
      for (const Disc& disc : game.second) names.push_back(disc.name);
      const Text path = sheets.folder + game.first;
      Report(WritePlaylist(path, PlaylistBytes(names)), path);
    }
  }
}
