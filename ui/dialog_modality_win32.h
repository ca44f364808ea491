#pragma once

#include <windows.h>

#include <cstdint>

// One window that BeginDialogModality changed, so that EndDialogModality
// can put it back exactly as it was.
struct ModalityRecord {
  uint32_t threadId;  // the thread that made the record, and alone may undo it
  HWND window;
  bool wasTopmost;
  bool disabled;  // set only when BeginDialogModality disabled the window
};

// The foreground window when it belongs to this process, else none. Taken
// before BeginDialogModality, which may disable other windows.
HWND DialogOwner();

// Disables the calling thread's visible windows other than the foreground
// one, and drops every one of them from the topmost band, for as long as a
// dialog is up.
void BeginDialogModality();

// Undoes what BeginDialogModality did on the calling thread; records of
// other threads stay as they are.
void EndDialogModality();
