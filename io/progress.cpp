#include "io/progress.h"

#include <cstdio>

namespace {
// Bar, slash, dash, backslash, written out twice; the counter is shared by
// every walk of the run and never reset.
constexpr char kSpinnerTable[] = "|/-\\|/-\\";
unsigned spinnerCounter = 0;
}  // namespace

void TickSpinner() {
  spinnerCounter &= 7;
  std::putchar('\b');
  std::putchar(kSpinnerTable[spinnerCounter]);
  ++spinnerCounter;
}
