#pragma once

#include <sys/stat.h>

#include <string>
#include <utility>
#include <vector>

// What a sheet carries besides its bytes: its owner, group, permission
// bits, ACL and extended attributes (an ACL is the system.posix_acl_access
// attribute). A new file renamed over the sheet must be given all of it,
// as careful editors do, or the sheet is changed in place instead.

// Extended attributes as (name, value), in the order the file lists them.
using Attributes = std::vector<std::pair<std::string, std::string>>;

// The extended attributes of an open file that this process can read.
Attributes AttributesOf(int file);

// Sets each of wanted on the file, and removes every other attribute it
// has. True only when all of that took.
bool SetAttributes(int file, const Attributes& wanted);

// Gives newFile the owner, group, mode and extended attributes of the
// sheet (held open as sheet, looked at as info), and takes from it any
// attribute the sheet has not (one from a folder's default ACL, say).
// True only when all of it now matches. newFile's bytes must be complete:
// a write would clear a file capability again.
bool GiveMetadataOf(int sheet, const struct stat& info, int newFile);

// Whether this process may rename another file over the sheet (looked at
// as sheet) in its folder, folderName in the folder descriptor folder:
// where the folder has the sticky bit, only the sheet's owner, the
// folder's owner or a privileged process may. The folder is looked at only
// for another user's sheet.
bool MayReplaceIn(int folder, const std::string& folderName, const struct stat& sheet);
