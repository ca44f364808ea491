#include <csignal>

#include "app/start_up.h"

int main() {
  // A file-size limit (ulimit -f) must fail a write, which the run
  // survives like a full disk, not kill the run half-way through a copy.
  std::signal(SIGXFSZ, SIG_IGN);
  RunBrindlet();
}
