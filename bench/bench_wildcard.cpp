// The wildcard match of magic words: the worst case of many stars and a typical query.
#include <benchmark/benchmark.h>

#include <string>

#include "core/qmStringUtils.h"

namespace {

// 30 stars against 60 characters, failing only at the very end: every star could take any run.
void WildcardManyStarsFailing(benchmark::State& state) {
  const std::string text(60, 'a');
  std::string mask;
  for (int i = 0; i < 29; ++i) mask += "*a";
  mask += "*b";
  for (auto _ : state) benchmark::DoNotOptimize(MatchesWildcard(text, mask));
}
BENCHMARK(WildcardManyStarsFailing);

// A magic word with a trailing star against a typed, upper-cased query.
void WildcardMagicWord(benchmark::State& state) {
  const std::string text = "CALC 12*(3+4)";
  const std::string mask = "CALC *";
  for (auto _ : state) benchmark::DoNotOptimize(MatchesWildcard(text, mask));
}
BENCHMARK(WildcardMagicWord);

// A magic word that does not match the query: the common case while typing.
void WildcardMagicWordMiss(benchmark::State& state) {
  const std::string text = "NOTEPAD README.TXT";
  const std::string mask = "G? *";
  for (auto _ : state) benchmark::DoNotOptimize(MatchesWildcard(text, mask));
}
BENCHMARK(WildcardMagicWordMiss);

}  // namespace
