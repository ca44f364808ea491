#include "tests/support/temp_folder.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <sstream>

#include "text/path_separator.h"
#include "text/utf8.h"

namespace fs = std::filesystem;

TempFolder::TempFolder(const fs::path& base) {
  static std::atomic<int> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  root = base /
         ("brindlet-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
  fs::create_directories(root);
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  fs::permissions(root, fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(root, ignored);
}

Text TempFolder::Path() const { return root.u16string() + kFolderSeparator; }

Text TempFolder::Folder(const Text& relative) const {
  Text native = relative;
  for (char16_t& c : native) {
    if (c == u'/') c = kFolderSeparator;
  }
  fs::create_directories(Fs(Path() + native));
  return Path() + native + kFolderSeparator;
}

fs::path Fs(const Text& path) { return fs::path(path); }

void WriteBytes(const Text& path, const std::string& bytes) {
  std::ofstream out(Fs(path), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadBytes(const Text& path) {
  std::ifstream in(Fs(path), std::ios::binary);
  if (!in) return "<missing>";
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

void MakeFolder(const Text& path) { fs::create_directories(Fs(path)); }

bool Exists(const Text& path) {
  std::error_code ignored;
  return fs::exists(Fs(path), ignored);
}

Text T(const std::string& utf8) { return DecodeUtf8(utf8.data(), utf8.size()); }
