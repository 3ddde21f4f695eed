// Settings files with many keys: parsing a file, looking every key up,
// setting every key again and writing the file back. Each should take time
// in proportion to the number of keys.
#include <benchmark/benchmark.h>

#include <string>

#include "settings/ini_file.h"

namespace {

using platform::settings::IniFile;

// A settings file of `keys` keys spread over `groups` groups.
std::string SettingsText(int64_t keys, int64_t groups) {
  std::string text;
  for (int64_t group = 0; group < groups; ++group) {
    text += "[Group" + std::to_string(group) + "]\n";
    for (int64_t key = group; key < keys; key += groups) {
      text += "Key" + std::to_string(key) + "=value " + std::to_string(key) + "\n";
    }
  }
  return text;
}

std::string KeyName(int64_t key, int64_t groups) {
  return "Group" + std::to_string(key % groups) + "/Key" + std::to_string(key);
}

void BM_ParseSettingsFile(benchmark::State& state) {
  const int64_t keys = state.range(0);
  const std::string text = SettingsText(keys, state.range(1));
  for (auto _ : state) benchmark::DoNotOptimize(IniFile::Parse(text));
  state.SetItemsProcessed(state.iterations() * keys);
}

void BM_FindAndSetEveryKey(benchmark::State& state) {
  const int64_t keys = state.range(0);
  const int64_t groups = state.range(1);
  IniFile file = IniFile::Parse(SettingsText(keys, groups));
  for (auto _ : state) {
    for (int64_t key = 0; key < keys; ++key) {
      const std::string name = KeyName(key, groups);
      benchmark::DoNotOptimize(file.Find(name));
      file.Set(name, "changed");
    }
  }
  state.SetItemsProcessed(state.iterations() * keys);
}

void BM_SerialiseSettingsFile(benchmark::State& state) {
  const int64_t keys = state.range(0);
  const IniFile file = IniFile::Parse(SettingsText(keys, state.range(1)));
  for (auto _ : state) benchmark::DoNotOptimize(file.Serialise());
  state.SetItemsProcessed(state.iterations() * keys);
}

// Keys in 10 groups, and as many groups as keys.
void Sizes(benchmark::internal::Benchmark* bench) {
  for (int64_t keys : {1000, 10000, 100000}) {
    bench->Args({keys, 10});
    bench->Args({keys, keys});
  }
  bench->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_ParseSettingsFile)->Apply(Sizes);
BENCHMARK(BM_FindAndSetEveryKey)->Apply(Sizes);
BENCHMARK(BM_SerialiseSettingsFile)->Apply(Sizes);

}  // namespace

BENCHMARK_MAIN();
