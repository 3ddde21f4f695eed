// The conversion session: the shared office servers' life, the cache's use
// and the progress lines.
#include "convert/conversion_session.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "convert/conversion_key.h"
#include "program_names.h"  // store/
#include "request_preference_buffer.h"
#include "settings/settings.h"

namespace conduit {
namespace {

using Clock = std::chrono::steady_clock;

// A conversion that takes longer than this has its time shown.
constexpr auto kWorthShowing = std::chrono::seconds(1);
constexpr unsigned long long kLargestCacheMegabytes = 1 << 20;

thread_local ConversionSession* t_current = nullptr;

// The cache's bound from the settings: a whole number of megabytes; the
// default when it is not set or not such a number.
uint64_t CacheLimit() {
  const std::optional<std::string> configured =
      platform::settings::QueryValue(store::kParametersKey, store::kConversionCacheSizeValue);
  if (!configured || configured->empty()) return ConversionCache::kDefaultLimit;
  char* end = nullptr;
  errno = 0;
  const unsigned long long megabytes = std::strtoull(configured->c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || (*configured)[0] == '-' || megabytes > kLargestCacheMegabytes) {
    return ConversionCache::kDefaultLimit;
  }
  return megabytes << 20;
}

std::optional<ConversionCache> DefaultCache() {
  const uint64_t limit = CacheLimit();
  if (limit == 0) return std::nullopt;
  return ConversionCache(ConversionCache::DefaultFolder(), limit);
}

// The record a cache keeps, and back.
CachedRecord ToCached(const ConversionResult& result) {
  return CachedRecord{*result.record, result.titleSuffix};
}

ConversionResult FromCached(CachedRecord cached) {
  return ConversionResult{std::move(cached.record), kConvOk, {}, std::move(cached.titleSuffix)};
}

}  // namespace

ConversionSession::ConversionSession(ProgressFunction progress)
    : ConversionSession(progress, DefaultCache()) {}

ConversionSession::ConversionSession(ProgressFunction progress,
                                     std::optional<ConversionCache> cache)
    : m_progress(progress), m_cache(std::move(cache)), m_outer(t_current) {
  t_current = this;
}

ConversionSession::~ConversionSession() {
  t_current = m_outer;
}

ConversionSession* ConversionSession::Current() {
  return t_current;
}

void ConversionSession::Show(const std::string& text) const {
  if (m_progress != nullptr) m_progress(text.c_str());
}

void ConversionSession::CacheFailed(const std::string& reason) {
  if (m_cacheFailureTold) return;
  m_cacheFailureTold = true;
  Show("Warning: " + reason + "; files are converted again at every HotSync.");
}

void ConversionSession::Started(const std::string& path) {
  ++m_started;
  // A count that fell short (a file listed meanwhile) still reads sensibly.
  const size_t total = std::max(m_expected, m_started);
  Show("Converting " + FileNameOfPath(path) + " (" + std::to_string(m_started) + " of " +
       std::to_string(total) + ")...");
  m_startTime = Clock::now();
}

void ConversionSession::Ended(const std::string& path) {
  const auto took = Clock::now() - m_startTime;
  if (took <= kWorthShowing) return;
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.1f", std::chrono::duration<double>(took).count());
  Show(FileNameOfPath(path) + " took " + seconds + " s");
}

ConversionResult ConvertThroughCache(const std::string& path, ConversionRoute route,
                                     RouteConverter converter) {
  ConversionSession* session = ConversionSession::Current();
  if (session == nullptr || !session->Cache()) return converter(path);
  const ConversionOptions options{CurrentImageMode()};
  const std::string key = ConversionKeyOf(path, route, options);
  if (key.empty()) return converter(path);
  const ConversionCache& cache = *session->Cache();
  if (std::optional<CachedRecord> kept = cache.Find(key)) return FromCached(std::move(*kept));
  ConversionResult converted = converter(path);
  // Only a whole success is kept, and only when the file did not change
  // while it was converted: a failure is tried again next time.
  if (converted.status == kConvOk && converted.record && converted.failure.empty() &&
      ConversionKeyOf(path, route, options) == key) {
    if (platform::Result<void> kept = cache.Store(key, ToCached(converted)); !kept) {
      session->CacheFailed(kept.Reason());
    }
  }
  return converted;
}

}  // namespace conduit
