// A stand-in for the Install Aide, for the install tests: its install-file
// call appends the user and the path it was given to the file named by
// VLM_TEST_INSTAIDE_LOG and returns the number in VLM_TEST_INSTAIDE_RESULT
// (0 when unset).
#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" __attribute__((visibility("default"))) int32_t PltInstallFile(const char* user,
                                                                         const char* path) {
  if (const char* log = std::getenv("VLM_TEST_INSTAIDE_LOG")) {
    if (FILE* file = std::fopen(log, "ab")) {
      std::fprintf(file, "%s\n%s\n", user != nullptr ? user : "(null)",
                   path != nullptr ? path : "(null)");
      std::fclose(file);
    }
  }
  const char* result = std::getenv("VLM_TEST_INSTAIDE_RESULT");
  return result != nullptr ? static_cast<int32_t>(std::atoi(result)) : 0;
}
