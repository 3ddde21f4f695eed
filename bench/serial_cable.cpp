// A serial cable between two pseudo-terminals for the shell benchmarks:
// prints the desktop's end and the handheld's end, one a line, and carries
// bytes between them until its standard input closes.
#include "testing/serial_cable.h"

#include <unistd.h>

#include <iostream>

int main() {
  vlmtest::SerialCable cable;
  if (!cable.Ready()) {
    std::cerr << "serial_cable: cannot make two pseudo-terminals\n";
    return 1;
  }
  std::cout << cable.DesktopEnd() << "\n" << cable.HandheldEnd() << std::endl;
  char byte = 0;
  while (read(STDIN_FILENO, &byte, 1) > 0) {
  }
  return 0;
}
