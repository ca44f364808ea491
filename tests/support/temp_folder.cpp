#include "tests/support/temp_folder.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <sstream>

#ifndef _WIN32
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#endif

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

// On POSIX a name is bytes: the stand-ins of bytes that are not UTF-8
// become those bytes again, as the program's own calls make them.
#ifdef _WIN32
fs::path Fs(const Text& path) { return fs::path(path); }
static Text TextOfFs(const fs::path& path) { return path.u16string(); }
#else
fs::path Fs(const Text& path) { return fs::path(EncodeUtf8(path)); }
static Text TextOfFs(const fs::path& path) {
  return DecodeUtf8KeepingBytes(path.native().data(), path.native().size());
}
#endif

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

Text T(const std::string& utf8) { return DecodeUtf8KeepingBytes(utf8.data(), utf8.size()); }

bool MakeLink(const Text& target, const Text& path) {
  std::error_code error;
  fs::create_symlink(Fs(target), Fs(path), error);
  return !error;
}

#ifdef _WIN32
bool MakeFifo(const Text&) { return false; }
bool MakeSocket(const Text&) { return false; }
#else
bool MakeFifo(const Text& path) { return mkfifo(Fs(path).c_str(), 0600) == 0; }

bool MakeSocket(const Text& path) {
  sockaddr_un address = {};
  address.sun_family = AF_UNIX;
  const std::string name = Fs(path).string();
  if (name.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, name.c_str(), name.size() + 1);
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  const bool made = fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  if (fd >= 0) close(fd);
  return made;
}
#endif

Snapshot SnapshotOf(const fs::path& root) {
  Snapshot snapshot;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const fs::file_status status = entry.symlink_status();
    std::string what = "other";
    if (fs::is_symlink(status)) {
      what = "link " + fs::read_symlink(entry.path()).string();
    } else if (fs::is_regular_file(status)) {
      what = "file " + ReadBytes(TextOfFs(entry.path()));
    } else if (fs::is_directory(status)) {
      what = "folder";
    } else if (fs::is_fifo(status)) {
      what = "fifo";
    } else if (fs::is_socket(status)) {
      what = "socket";
    }
    snapshot[entry.path()] = what;
  }
  return snapshot;
}

Snapshot StampsOf(const fs::path& root) {
  Snapshot stamps;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    std::error_code ignored;
    std::string stamp =
        std::to_string(fs::last_write_time(entry.path(), ignored).time_since_epoch().count());
    if (entry.is_regular_file()) stamp += " " + std::to_string(entry.file_size());
#ifndef _WIN32
    struct stat info;
    if (lstat(entry.path().c_str(), &info) == 0) stamp += " #" + std::to_string(info.st_ino);
#endif
    stamps[entry.path()] = stamp;
  }
  return stamps;
}
