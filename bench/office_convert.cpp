// Converts each file named on the command line as a HotSync would and
// prints its route's outcome: the record's content kind and length. Used by
// office_convert.sh to time word-processor and spreadsheet conversions.
#include <cstdio>

#include "automation/automation.h"
#include "convert/convert.h"

int main(int argc, char** argv) {
  platform::automation::SetServerFolder(VELLAMORE_BIN_DIR);
  int failures = 0;
  for (int i = 1; i < argc; ++i) {
    const conduit::ConversionResult result = conduit::ConvertForHandheld(argv[i]);
    const size_t length = result.record ? result.record->size() : 0;
    const int kind = result.record && length > 200 ? (*result.record)[200] : 0;
    std::printf("%s: kind %d, %zu bytes\n", argv[i], kind, length);
    if (kind != 1) ++failures;
  }
  return failures == 0 ? 0 : 1;
}
