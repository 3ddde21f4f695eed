// One HotSync's conversions. While a ConversionSession lives (the conduit
// opens one for each OpenConduit):
//
//   - the office servers and the LibreOffice behind them are started once,
//     by the first office conversion, and shared by the next ones; they end
//     with the session;
//   - converted records are kept in the conversion cache and taken from it
//     while the file, the converter and the options are unchanged;
//   - each conversion is reported as it starts, "Converting letter.docx
//     (3 of 10)...", and its time when it took more than a second, through
//     the HotSync Manager's progress function.
//
// Outside a session (a converter called on its own) nothing is cached or
// reported.
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>

#include "automation/automation.h"
#include "convert/conversion_cache.h"
#include "convert/convert.h"

namespace conduit {

// Shows one line of progress; as the HotSync Manager hands it to OpenConduit.
using ProgressFunction = void (*)(const char* text);

class ConversionSession {
 public:
  // `progress` may be null: nothing is shown. The cache is the folder of
  // ConversionCache::DefaultFolder, bounded as the settings say.
  explicit ConversionSession(ProgressFunction progress);
  ConversionSession(ProgressFunction progress, std::optional<ConversionCache> cache);
  ~ConversionSession();
  ConversionSession(const ConversionSession&) = delete;
  ConversionSession& operator=(const ConversionSession&) = delete;

  // The session open on this thread, or none.
  static ConversionSession* Current();

  // Adds `count` to the conversions this HotSync expects to make.
  void ExpectConversions(size_t count) { m_expected += count; }
  size_t Expected() const { return m_expected; }

  // Reports the start of the conversion of `path`, and its end.
  void Started(const std::string& path);
  void Ended(const std::string& path);

  const std::optional<ConversionCache>& Cache() const { return m_cache; }
  // Tells the user, once a HotSync, that the cache could not keep a record.
  void CacheFailed(const std::string& reason);

 private:
  void Show(const std::string& text) const;

  // Declared first, so that the shared servers end last.
  platform::automation::KeptServersScope m_servers;
  ProgressFunction m_progress;
  std::optional<ConversionCache> m_cache;
  size_t m_expected = 0;
  size_t m_started = 0;
  bool m_cacheFailureTold = false;
  std::chrono::steady_clock::time_point m_startTime;
  ConversionSession* m_outer;
};

// Runs `converter` on `path` by way of the session's cache: a record kept
// for the file as it is now is returned without converting; a record newly
// made is kept. Without a session, or for a route whose result is not kept,
// the converter simply runs.
using RouteConverter = ConversionResult (*)(const std::string&);
ConversionResult ConvertThroughCache(const std::string& path, ConversionRoute route,
                                     RouteConverter converter);

}  // namespace conduit
