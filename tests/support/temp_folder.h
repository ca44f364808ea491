#pragma once

#include <filesystem>
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

// Texts from UTF-8 literals, for readable expectations.
Text T(const std::string& utf8);
