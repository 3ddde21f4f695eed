// Driver for the search benchmarks in bench/*.sh: generates test trees and
// runs the folder walk with and without the text test on them, printing the
// number of files found and the time taken, so that the scripts can set
// them beside grep and find on the same tree.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "search/folder_walk.h"

namespace {

constexpr char kUsage[] =
    "usage: search_bench COMMAND ARGUMENTS\n"
    "  generate-text DIR FILES BYTES PERCENT TEXT\n"
    "      writes FILES text files of about BYTES bytes in sub-folders of DIR;\n"
    "      PERCENT of them hold TEXT shortly before their end\n"
    "  generate-tree DIR FILES\n"
    "      writes FILES empty files, half of them *.txt, in nested folders\n"
    "  text DIR TEXT       files below DIR that contain TEXT (the text test)\n"
    "  walk DIR PATTERN    files below DIR whose names match PATTERN\n"
    "Prints the count of files found, then the seconds taken.\n";

// Words for the generated documents; none of them is in the searched text.
const std::vector<std::string> kWords = {
    "the",     "of",      "and",     "to",       "in",      "report",  "quarter", "sales",
    "market",  "figures", "growth",  "customer", "product", "service", "team",    "project",
    "plan",    "review",  "meeting", "office",   "week",    "month",   "year",    "result",
    "price",   "cost",    "value",   "region",   "north",   "south",   "east",    "west",
    "summary", "detail",  "Monday",  "Friday",   "invoice", "order",   "stock",   "delivery"};

int Fail(const char* message) {
  std::fprintf(stderr, "search_bench: %s\n%s", message, kUsage);
  return 2;
}

int GenerateText(const std::string& root, long files, long bytes, long percent,
                 const std::string& text) {
  std::mt19937 random(20240601);
  for (long i = 0; i < files; ++i) {
    std::filesystem::path folder = std::filesystem::path(root) / ("d" + std::to_string(i % 40));
    std::filesystem::create_directories(folder);
    std::string content;
    content.reserve(static_cast<size_t>(bytes) + 256);
    const bool matching = i % (100 / percent) == 0;
    while (content.size() < static_cast<size_t>(bytes)) {
      content += kWords[random() % kWords.size()];
      content += (random() % 12 == 0) ? "\n" : " ";
      if (matching && content.size() + 700 >= static_cast<size_t>(bytes) &&
          content.find(text) == std::string::npos) {
        content += text + " ";
      }
    }
    std::ofstream(folder / ("doc" + std::to_string(i) + ".txt"), std::ios::binary) << content;
  }
  return 0;
}

int GenerateTree(const std::string& root, long files) {
  long written = 0;
  for (int top = 0; written < files; ++top) {
    for (int sub = 0; sub < 50 && written < files; ++sub) {
      std::filesystem::path folder = std::filesystem::path(root) / ("top" + std::to_string(top)) /
                                     ("sub" + std::to_string(sub));
      std::filesystem::create_directories(folder);
      for (int f = 0; f < 100 && written < files; ++f, ++written) {
        const char* extension = (f % 2 == 0) ? ".txt" : ".dat";
        std::ofstream(folder / ("file" + std::to_string(f) + extension));
      }
    }
  }
  return 0;
}

int Walk(const std::string& root, const std::string& pattern, const char* text) {
  conduit::search::WalkRequest request;
  request.folder = root;
  request.pattern = pattern;
  request.includeSubFolders = true;
  if (text != nullptr) request.text = text;
  std::vector<std::string> found;
  const auto start = std::chrono::steady_clock::now();
  conduit::search::WalkFolder(request, found);
  const std::chrono::duration<double> taken = std::chrono::steady_clock::now() - start;
  std::printf("%zu\n%.3f\n", found.size(), taken.count());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || std::strcmp(argv[1], "--help") == 0) {
    std::fputs(kUsage, argc < 2 ? stderr : stdout);
    return argc < 2 ? 2 : 0;
  }
  const std::string command = argv[1];
  if (command == "generate-text" && argc == 7) {
    long percent = std::atol(argv[5]);
    if (percent <= 0 || percent > 100) return Fail("PERCENT must be 1 to 100");
    return GenerateText(argv[2], std::atol(argv[3]), std::atol(argv[4]), percent, argv[6]);
  }
  if (command == "generate-tree" && argc == 4) return GenerateTree(argv[2], std::atol(argv[3]));
  if (command == "text" && argc == 4) return Walk(argv[2], "*.*", argv[3]);
  if (command == "walk" && argc == 4) return Walk(argv[2], argv[3], nullptr);
  return Fail("unknown command or wrong number of arguments");
}
