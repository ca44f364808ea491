#pragma once

#include <filesystem>
#include <map>
#include <string>

#include "text/text.h"

// A fresh folder under the system's temporary folder (or under base),
// removed with everything in it when the test ends.
struct TempFolder {
  TempFolder() : TempFolder(std::filesystem::temp_directory_path()) {}
  explicit TempFolder(const std::filesystem::path& base);
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // The folder as Brindlet names it, ending in the platform's separator.
  Text Path() const;
  // A path inside it, as Brindlet names it.
  Text operator/(const Text& relative) const { return Path() + relative; }
  // Makes a folder inside it (names joined by "/" become nested folders)
  // and returns it as Brindlet names it, ending in the separator.
  Text Folder(const Text& relative) const;

  std::filesystem::path root;
};

std::filesystem::path Fs(const Text& path);
void WriteBytes(const Text& path, const std::string& bytes);
std::string ReadBytes(const Text& path);  // "<missing>" when it cannot be read
void MakeFolder(const Text& path);
bool Exists(const Text& path);

// Special files, for runs that must pass them by; false where the
// platform has none (links, FIFOs and sockets under wine).
bool MakeLink(const Text& target, const Text& path);
bool MakeFifo(const Text& path);
bool MakeSocket(const Text& path);

// Every entry below root and what it is: "file <bytes>", "folder",
// "link <target>", "fifo", "socket".
using Snapshot = std::map<std::filesystem::path, std::string>;
Snapshot SnapshotOf(const std::filesystem::path& root);

// Every entry below root with what writing it would change: its file
// number (where the platform gives one), size and modification time.
Snapshot StampsOf(const std::filesystem::path& root);

// Texts from UTF-8 literals, for readable expectations.
Text T(const std::string& utf8);
