// Fuzzes the Palm database reader: any input either fails with an error or
// parses; what parses is written again, and the written file must parse to
// the same database.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "pdb/palm_database.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace platform::pdb;
  PdbError error = PdbError::kNone;
  const auto parsed = ParsePalmDatabase({data, size}, &error);
  if (!parsed) {
    if (error == PdbError::kNone) std::abort();  // a failure must say why
    return 0;
  }
  const std::vector<uint8_t> written = SerializePalmDatabase(*parsed);
  if (written.empty()) std::abort();  // anything read can be written
  const auto again = ParsePalmDatabase(written, &error);
  if (!again || !(*again == *parsed)) std::abort();
  return 0;
}
