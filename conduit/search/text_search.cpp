// The text test: a case-folding table for the file's bytes, a two-anchor
// candidate filter that tests 32 window starts per step, and a block reader
// that carries the last bytes of each block into the next.
#include "search/text_search.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstring>
#include <string_view>

namespace conduit::search {
namespace {

// What a file byte counts as: a-z as A-Z, control bytes and bytes from 0x80
// up as a space, every other byte as itself.
constexpr std::array<uint8_t, 256> MakeFoldTable() {
  std::array<uint8_t, 256> table{};
  for (int b = 0; b < 256; ++b) {
    if (b < 0x20 || b >= 0x80) {
      table[b] = ' ';
    } else if (b >= 'a' && b <= 'z') {
      table[b] = static_cast<uint8_t>(b - 'a' + 'A');
    } else {
      table[b] = static_cast<uint8_t>(b);
    }
  }
  return table;
}
constexpr std::array<uint8_t, 256> kFold = MakeFoldTable();

// How often a folded byte turns up in ordinary documents, roughly: the
// rarer bytes make better anchors.
int Commonness(uint8_t folded) {
  static constexpr std::string_view kLettersByFrequency = "ETAOINSRHDLCUMWFGYPBVKJXQZ";
  if (folded == ' ') return 1000;
  size_t rank = kLettersByFrequency.find(static_cast<char>(folded));
  if (rank != std::string_view::npos) return 100 - static_cast<int>(rank);
  if (folded >= '0' && folded <= '9') return 50;
  return 40;
}

bool IsLetter(uint8_t folded) {
  return folded >= 'A' && folded <= 'Z';
}

// Sixteen bytes, as one SSE2 or NEON register; two are tested per step.
using Vec = uint8_t __attribute__((vector_size(16)));
constexpr size_t kLanes = sizeof(Vec);
constexpr size_t kStep = 2 * kLanes;

Vec Splat(uint8_t value) {
  Vec v;
  for (size_t i = 0; i < kLanes; ++i) v[i] = value;
  return v;
}

Vec Load(const uint8_t* at) {
  Vec v;
  std::memcpy(&v, at, kLanes);
  return v;
}

struct FdCloser {
  int fd;
  ~FdCloser() {
    if (fd >= 0) close(fd);
  }
};

}  // namespace

TextMatcher::TextMatcher(std::string_view text) {
  m_folded.reserve(text.size());
  for (char c : text) {
    auto b = static_cast<uint8_t>(c);
    // A file byte never folds to a control byte or one from 0x80 up.
    if (b < 0x20 || b >= 0x80) m_canMatch = false;
    m_folded.push_back(kFold[b]);
  }
  // The two rarest bytes that are not spaces anchor the candidate filter.
  std::vector<size_t> order;
  for (size_t i = 0; i < m_folded.size(); ++i) {
    if (m_folded[i] != ' ') order.push_back(i);
  }
  if (order.empty()) return;
  std::stable_sort(order.begin(), order.end(), [this](size_t a, size_t b) {
    return Commonness(m_folded[a]) < Commonness(m_folded[b]);
  });
  auto anchorAt = [this](size_t offset) {
    uint8_t folded = m_folded[offset];
    if (IsLetter(folded)) return Anchor{offset, 0x20, static_cast<uint8_t>(folded | 0x20)};
    return Anchor{offset, 0, folded};
  };
  m_hasAnchors = true;
  m_first = anchorAt(order[0]);
  m_second = anchorAt(order.size() > 1 ? order[1] : order[0]);
}

bool TextMatcher::MatchesAt(const uint8_t* window) const {
  for (size_t j = 0; j < m_folded.size(); ++j) {
    if (kFold[window[j]] != m_folded[j]) return false;
  }
  return true;
}

bool TextMatcher::ContainsScalar(std::span<const uint8_t> bytes, size_t from) const {
  const size_t n = m_folded.size();
  for (size_t p = from; p + n <= bytes.size(); ++p) {
    if (MatchesAt(bytes.data() + p)) return true;
  }
  return false;
}

bool TextMatcher::Contains(std::span<const uint8_t> bytes) const {
  const size_t n = m_folded.size();
  if (!m_canMatch || bytes.size() < n) return false;
  if (n == 0) return !bytes.empty();
  const uint8_t* data = bytes.data();
  size_t p = 0;
  if (m_hasAnchors && std::endian::native == std::endian::little) {
    const Vec firstOr = Splat(m_first.orMask), firstValue = Splat(m_first.value);
    const Vec secondOr = Splat(m_second.orMask), secondValue = Splat(m_second.value);
    const size_t reach = std::max(m_first.offset, m_second.offset) + kStep;
    const size_t lastStart = bytes.size() - n;
    auto hitsAt = [&](const uint8_t* at) {
      return ((Load(at + m_first.offset) | firstOr) == firstValue) &
             ((Load(at + m_second.offset) | secondOr) == secondValue);
    };
    for (; p + reach <= bytes.size(); p += kStep) {
      auto low = hitsAt(data + p);
      auto high = hitsAt(data + p + kLanes);
      uint64_t words[kStep / 8];
      std::memcpy(words, &low, kLanes);
      std::memcpy(words + kLanes / 8, &high, kLanes);
      if ((words[0] | words[1] | words[2] | words[3]) == 0) continue;
      for (size_t w = 0; w < kStep / 8; ++w) {
        // Each hit is a lane of eight set bits.
        for (uint64_t bits = words[w]; bits != 0;) {
          const int lane = std::countr_zero(bits) / 8;
          const size_t start = p + w * 8 + static_cast<size_t>(lane);
          if (start <= lastStart && MatchesAt(data + start)) return true;
          bits &= ~(uint64_t{0xFF} << (8 * lane));
        }
      }
    }
  }
  return ContainsScalar(bytes, p);
}

bool TextMatcher::FileContains(const std::string& path) {
  // Non-blocking open, so that a pipe among the files cannot stall the walk.
  FdCloser file{open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
  if (file.fd < 0) return false;
  struct stat status {};
  if (fstat(file.fd, &status) != 0 || !S_ISREG(status.st_mode)) return false;
  if (!m_canMatch) return false;
  posix_fadvise(file.fd, 0, 0, POSIX_FADV_SEQUENTIAL);

  const size_t overlap = m_folded.empty() ? 0 : m_folded.size() - 1;
  if (!m_buffer) m_buffer = std::make_unique_for_overwrite<uint8_t[]>(kBlockSize + overlap);
  size_t carried = 0;
  for (;;) {
    ssize_t got = read(file.fd, m_buffer.get() + carried, kBlockSize);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    size_t filled = carried + static_cast<size_t>(got);
    if (Contains({m_buffer.get(), filled})) return true;
    carried = std::min(overlap, filled);
    std::memmove(m_buffer.get(), m_buffer.get() + filled - carried, carried);
  }
}

bool FileContainsText(const std::string& folder, const std::string& name, std::string_view text) {
  TextMatcher matcher(text);
  return matcher.FileContains(folder + "/" + name);
}

}  // namespace conduit::search
