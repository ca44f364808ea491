#include "app/start_up.h"

int main() { RunBrindlet(); }
