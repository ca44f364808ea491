#pragma once

#include "text/text.h"

// Playlists (.m3u) for games of several discs, which emulators read to
// switch discs. In a folder, sheets whose names differ only by a disc
// marker, "(Disc N)", "(Disc N of M)", "(Disk N)" or "(CD N)" in any
// letter case with N from 1 to 99, form one game; a game of two discs or
// more gets one playlist beside them, named as its sheets are with the
// marker and the blank before it left out, listing the sheets by bare
// name in disc order, one a line, each line ended with LF.

// Takes note of a sheet the run reached and kept.
void RememberForPlaylist(const Text& sheetPath);

// Forgets every sheet noted, as a new run starts.
void ForgetPlaylistSheets();

// Writes the playlists of every folder reached, in the order the folders
// were reached, and reports each (app/run_report.h). A playlist already
// there with this content is left untouched; one with other content is
// the user's and is left as it is; an empty file gives way. In a dry run
// nothing is written.
void WritePlaylists();
