// Throughput of the text conversions on a generated 10 MB page: the HTML
// converter reads and converts the whole file, the plain-text converter
// reads its first 64,798 bytes; the in-memory passes are measured on the
// whole page too.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "convert/convert.h"
#include "text/transcode.h"

namespace {

constexpr size_t kPageBytes = 10 * 1024 * 1024;

// A page of ordinary mark-up: paragraphs, lists, links, entities, accented
// text and source line breaks.
std::string GeneratePage() {
  static const std::string kBlock =
      "<p class=\"body\">Caf\xC3\xA9 prices rose 5&nbsp;% &amp; tea &lt;fell&gt;.<br>\r\n"
      "<ul><li>First <a href=\"https://example.com/item?id=1&amp;x=2\">item</a></li>\r\n"
      "<li>Second\titem &copy; 2001</li></ul>\r\n<h2>Heading</h2><div>Text in a "
      "division with <b>bold</b> and <i>italic</i> words.</div>\r\n";
  std::string page;
  page.reserve(kPageBytes + kBlock.size());
  while (page.size() < kPageBytes) page += kBlock;
  return page;
}

class PageFile {
 public:
  PageFile(const std::string& name, const std::string& bytes) {
    std::string folder = (std::filesystem::temp_directory_path() / "vlm-bench-XXXXXX").string();
    if (mkdtemp(folder.data()) != nullptr) m_folder = folder;
    m_path = m_folder + "/" + name;
    std::ofstream(m_path, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  ~PageFile() {
    std::error_code ignored;
    std::filesystem::remove_all(m_folder, ignored);
  }
  const std::string& Path() const { return m_path; }

 private:
  std::string m_folder;
  std::string m_path;
};

const std::string& Page() {
  static const std::string page = GeneratePage();
  return page;
}

void BM_ConvertHtml(benchmark::State& state) {
  const PageFile file("page.html", Page());
  for (auto _ : state) {
    conduit::ConversionResult result = conduit::ConvertHtml(file.Path());
    if (!result.record) state.SkipWithError("no record");
    benchmark::DoNotOptimize(result);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Page().size()));
}
BENCHMARK(BM_ConvertHtml)->Unit(benchmark::kMillisecond);

void BM_ConvertPlainText(benchmark::State& state) {
  const PageFile file("page.txt", Page());
  for (auto _ : state) {
    conduit::ConversionResult result = conduit::ConvertPlainText(file.Path());
    if (!result.record) state.SkipWithError("no record");
    benchmark::DoNotOptimize(result);
  }
  // Only the first 64,798 bytes of the file are read.
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * 64798));
}
BENCHMARK(BM_ConvertPlainText)->Unit(benchmark::kMicrosecond);

void BM_HtmlToText(benchmark::State& state) {
  for (auto _ : state) {
    std::string text = Page();
    conduit::HtmlToText(text);
    benchmark::DoNotOptimize(text);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Page().size()));
}
BENCHMARK(BM_HtmlToText)->Unit(benchmark::kMillisecond);

void BM_NormaliseLineBreaks(benchmark::State& state) {
  for (auto _ : state) {
    std::string text = Page();
    conduit::NormaliseLineBreaks(text);
    benchmark::DoNotOptimize(text);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Page().size()));
}
BENCHMARK(BM_NormaliseLineBreaks)->Unit(benchmark::kMillisecond);

void BM_TranscodeUtf8ToWindows1252(benchmark::State& state) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(platform::text::TranscodeUtf8ToWindows1252(Page()));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Page().size()));
}
BENCHMARK(BM_TranscodeUtf8ToWindows1252)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
