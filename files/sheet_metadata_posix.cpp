#include "files/sheet_metadata_posix.h"

#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>

namespace {

// The names of a file's attributes, each ended by a NUL, as flistxattr
// gives them; "" for none, or where the file system has none.
std::string AttributeNames(int file) {
  std::string names;
  for (int attempt = 0; attempt < 4; ++attempt) {
    const ssize_t size = flistxattr(file, nullptr, 0);
    if (size <= 0) return std::string();
    names.resize(static_cast<size_t>(size));
    const ssize_t got = flistxattr(file, &names[0], names.size());
    if (got >= 0) {
      names.resize(static_cast<size_t>(got));
      return names;
    }
    if (errno != ERANGE) return std::string();  // ERANGE: the list grew meanwhile
  }
  return std::string();
}

bool Listed(const Attributes& attributes, const std::string& name) {
  for (const auto& attribute : attributes) {
    if (attribute.first == name) return true;
  }
  return false;
}

}  // namespace

Attributes AttributesOf(int file) {
  Attributes attributes;
  const std::string names = AttributeNames(file);
  for (size_t at = 0; at < names.size(); at = names.find('\0', at) + 1) {
    const std::string name = names.c_str() + at;
    const ssize_t size = fgetxattr(file, name.c_str(), nullptr, 0);
    if (size < 0) continue;  // gone meanwhile, or not for this process to read
    std::string value(static_cast<size_t>(size), '\0');
    const ssize_t got = fgetxattr(file, name.c_str(), &value[0], value.size());
    if (got < 0) continue;
    value.resize(static_cast<size_t>(got));
    attributes.emplace_back(name, value);
  }
  return attributes;
}

bool SetAttributes(int file, const Attributes& wanted) {
  bool all = true;
  for (const auto& [name, value] : AttributesOf(file)) {
    if (!Listed(wanted, name)) all = fremovexattr(file, name.c_str()) == 0 && all;
  }
  for (const auto& [name, value] : wanted) {
    all = fsetxattr(file, name.c_str(), value.data(), value.size(), 0) == 0 && all;
  }
  return all;
}

// The order matters: a change of owner clears the set-user-ID and
// set-group-ID bits and a file capability, and setting an ACL sets the
// group bits, so the owner comes first, then the attributes, then the mode.
bool GiveMetadataOf(int sheet, const struct stat& info, int newFile) {
  struct stat made;
  if (fstat(newFile, &made) != 0) return false;
  // A new file is this process's, or in a set-group-ID folder the
  // folder's group's: whichever differs from the sheet's is given again.
  if ((made.st_uid != info.st_uid || made.st_gid != info.st_gid) &&
      fchown(newFile, made.st_uid != info.st_uid ? info.st_uid : static_cast<uid_t>(-1),
             made.st_gid != info.st_gid ? info.st_gid : static_cast<gid_t>(-1)) != 0) {
    return false;
  }
  const Attributes wanted = AttributesOf(sheet);
  if (!SetAttributes(newFile, wanted)) return false;
  // Most new files are made as their sheets are: this process's, its
  // mode, no attributes. Then nothing is given, and nothing looked at again.
  const bool changed = made.st_uid != info.st_uid || made.st_gid != info.st_gid || !wanted.empty();
  if (!changed && (made.st_mode & 07777) == (info.st_mode & 07777)) return true;
  if (fchmod(newFile, info.st_mode & 07777) != 0) return false;
  struct stat given;
  return fstat(newFile, &given) == 0 && given.st_uid == info.st_uid &&
         given.st_gid == info.st_gid && (given.st_mode & 07777) == (info.st_mode & 07777);
}

bool MayReplaceIn(int folder, const std::string& folderName, const struct stat& sheet) {
  // This process's own id, the same all run long.
  static const uid_t self = geteuid();
  if (self == 0 || self == sheet.st_uid) return true;
  struct stat info;
  return fstatat(folder, folderName.c_str(), &info, 0) == 0 &&
         ((info.st_mode & S_ISVTX) == 0 || self == info.st_uid);
}
