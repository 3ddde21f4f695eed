// A stand-in for the mail and fax programs in the tests: writes its
// arguments (each followed by a NUL) to $CAPTURE_FILE.args and its standard
// input to $CAPTURE_FILE.stdin, prints $CAPTURE_STDERR on standard error and
// exits with $CAPTURE_EXIT (0 when unset).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

namespace {

constexpr char kUsage[] =
    "usage: capture_program [ARGUMENT...]\n"
    "Records its arguments and standard input for the conversion tests.\n"
    "  CAPTURE_FILE    path prefix of the .args and .stdin files (required)\n"
    "  CAPTURE_EXIT    exit status to return (default 0)\n"
    "  CAPTURE_STDERR  text to print on standard error\n";

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
    std::cout << kUsage;
    return 0;
  }
  const char* prefix = std::getenv("CAPTURE_FILE");
  if (prefix == nullptr || *prefix == '\0') {
    std::cerr << "capture_program: CAPTURE_FILE is not set\n" << kUsage;
    return 2;
  }
  std::ofstream args(std::string(prefix) + ".args", std::ios::binary | std::ios::trunc);
  for (int i = 0; i < argc; ++i) args << argv[i] << '\0';
  std::ofstream input(std::string(prefix) + ".stdin", std::ios::binary | std::ios::trunc);
  const std::string received((std::istreambuf_iterator<char>(std::cin)),
                             std::istreambuf_iterator<char>());
  input.write(received.data(), static_cast<std::streamsize>(received.size()));
  if (!args || !input) {
    std::cerr << "capture_program: cannot write " << prefix << ".args or .stdin\n";
    return 2;
  }
  if (const char* message = std::getenv("CAPTURE_STDERR")) std::cerr << message << "\n";
  const char* exitStatus = std::getenv("CAPTURE_EXIT");
  return exitStatus != nullptr ? std::atoi(exitStatus) : 0;
}
