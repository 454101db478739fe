// Loading a job file: the time grows with the file's size alone, whatever it holds. A saved job
// followed by as many further keys (one section of them, or many small sections) as make the
// given size, up to the 16 MiB a job file may hold.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>

#include "settings/PatternFile.h"
#include "settings/RenameSettings.h"

namespace {

using namespace morvanex;

std::string Job(std::size_t bytes, std::size_t keysPerSection) {
    std::string text = settings::SerializePatternFile(settings::RenameSettings{});
    for (std::size_t key = 0; text.size() < bytes; ++key) {
        if (key % keysPerSection == 0) text += "[Extra" + std::to_string(key) + "]\r\n";
        text += "Key" + std::to_string(key) + "=value " + std::to_string(key) + "\r\n";
    }
    text.resize(std::min(text.size(), bytes));
    return text;
}

void BM_LoadJob(benchmark::State& state) {
    const auto bytes = static_cast<std::size_t>(state.range(0));
    const std::string text = Job(bytes, static_cast<std::size_t>(state.range(1)));
    for (auto _ : state) {
        settings::RenameSettings loaded;
        benchmark::DoNotOptimize(settings::LoadPatternText(loaded, text));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_LoadJob)
    ->ArgsProduct({{1 << 20, 4 << 20, 16 << 20}, {1'000'000'000, 10}})
    ->ArgNames({"bytes", "keys_per_section"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
