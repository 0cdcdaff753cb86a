// Component text of the settings with many magic words: writing and reading should both grow
// linearly with the number of words.
#include <benchmark/benchmark.h>

#include <string>

#include "core/LorvexClasses.h"
#include "core/qmDfmUtils.h"

namespace {

void AddMagicWords(TLorvexSettings& settings, int count) {
  for (int i = 0; i < count; ++i) {
    TMagicWord& word = settings.MagicWords.Add();
    const std::string number = std::to_string(i);
    word.MagicWord = "word" + number;
    word.Description = "Opens the notes of project " + number;
    word.ExecuteString = "C:\\Program Files\\Editor\\editor.exe";
    word.Parameters = "\"D:\\Projects\\" + number + "\\notes.txt\"";
    word.RunAsAdmin = i % 7 == 0;
    word.Path = "D:\\Projects\\" + number;
  }
}

std::string SettingsText(int count) {
  TLorvexSettings settings;
  AddMagicWords(settings, count);
  return ComponentToText(settings);
}

void WriteSettings(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  TLorvexSettings settings;
  AddMagicWords(settings, count);
  size_t bytes = 0;
  for (auto _ : state) {
    const std::string text = ComponentToText(settings);
    bytes = text.size();
    benchmark::DoNotOptimize(text.data());
  }
  state.SetComplexityN(count);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}
BENCHMARK(WriteSettings)
    ->RangeMultiplier(10)
    ->Range(1000, 100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

void ReadSettings(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const std::string text = SettingsText(count);
  for (auto _ : state) {
    TLorvexSettings settings;
    TextToComponent(settings, text);
    if (settings.MagicWords.Count() != count) state.SkipWithError("magic words lost");
  }
  state.SetComplexityN(count);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(ReadSettings)
    ->RangeMultiplier(10)
    ->Range(1000, 100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace
