// Sorting one folder's 100,000 names as target collection does: the plain name order against
// the natural one (runs of digits by value). Three kinds of folder: random names as the
// whole-process benchmark makes them, a camera's numbered names without leading zeros, and
// names of several series with numbers in the middle.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "engine/plan/CollectTargets.h"
#include "platform/PosixFileSystem.h"

namespace {

using namespace morvanex;

constexpr int kNames = 100'000;
const std::string kFolder = "/home/user/photos/";

std::vector<std::string> Names(int kind) {
    std::mt19937_64 random(7);
    std::vector<std::string> names;
    names.reserve(kNames);
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (int i = 0; i < kNames; ++i) {
        std::string name = kFolder;
        switch (kind) {
            case 0:
                for (int k = 0; k < 16; ++k) name += kLetters[random() % 36];
                name += ".jpg";
                break;
            case 1:
                name += "IMG_" + std::to_string(i + 1) + ".JPG";
                break;
            default:
                name += "trip" + std::to_string(i % 37) + " day " + std::to_string(i / 37 % 30) +
                        " (" + std::to_string(i) + ").jpg";
                break;
        }
        names.push_back(std::move(name));
    }
    std::shuffle(names.begin(), names.end(), random);
    return names;
}

void Sort(benchmark::State& state, bool natural) {
    const std::vector<std::string> names = Names(static_cast<int>(state.range(0)));
    platform::PosixFileSystem fileSystem;
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<std::string> sorted = names;
        state.ResumeTiming();
        engine::SortEntries(sorted, nullptr, 0, sorted.size(), engine::kSortByName, 1, natural,
                            kFolder, true, fileSystem);
        benchmark::DoNotOptimize(sorted.data());
    }
    state.SetItemsProcessed(state.iterations() * kNames);
}

// Argument: 0 random names, 1 numbered names, 2 series with numbers inside.
void BM_NameSortPlain(benchmark::State& state) {
    Sort(state, false);
}
BENCHMARK(BM_NameSortPlain)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

void BM_NameSortNatural(benchmark::State& state) {
    Sort(state, true);
}
BENCHMARK(BM_NameSortNatural)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
