#include <windows.h>

#include "app/start_up.h"

// A GUI-subsystem entry: no console window opens behind the dialog. The
// command line is not read.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  RunBrindlet();
  return 0;
}
