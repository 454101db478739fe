// Regular-expression replacement against patterns that backtrack without end, on names of the
// full 259 bytes: each is answered, or refused with code 19, within the one work budget a name
// has for all its pairs (the "refused" counter says which). Time per file, with the pattern in
// one pair and in all ten.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "engine/ResultCodes.h"
#include "engine/naming/NameComposer.h"
#include "engine/naming/RegexReplace.h"
#include "platform/Codepage.h"

namespace {

using namespace morvanex;

std::string Times(const std::string& text, std::size_t bytes) {
    std::string out;
    while (out.size() + text.size() <= bytes) out += text;
    return out;
}

struct Pathological {
    const char* pattern;
    std::string name;  // UTF-8; 259 bytes once in CP932
};

// Each name is what makes its pattern try hardest: almost a match, failing at the end.
Pathological Case(int index) {
    const std::string as = std::string(258, 'a');
    switch (index) {
        case 0:  // nested quantifiers
            return {"(a+)+$", as + "b"};
        case 1:
            return {"(a*)*[bc]$", as + "d"};
        case 2:
            return {"(\\w+\\s?)+$", std::string(258, 'w') + "!"};
        case 3:  // alternation under repetition
            return {"(?:a|a){1,20}[xy]", as + "a"};
        case 4:
            return {"(a|aa)+$", as + "b"};
        case 5:
            return {"(写|写写)+$", platform::Utf8FromCp932(Times(platform::Sjis("写"), 258)) + "b"};
        case 6:
            return {"(.*a){20}", as + "a"};
        case 7:  // back-references
            return {"^(a+)\\1*\\1*\\1*$", as + "b"};
        case 8:
            return {"(.+)+\\1$", as + "b"};
        default:
            return {"(?:(?=a)a|a)+$", as + "b"};
    }
}

void BM_Pathological(benchmark::State& state) {
    const Pathological c = Case(static_cast<int>(state.range(0)));
    const auto pairs = static_cast<std::size_t>(state.range(1));
    const std::vector<std::string> before(pairs, platform::Cp932FromUtf8(c.pattern));
    const std::vector<std::string> after(pairs, "X");
    engine::RegexPairs regex;
    std::string detail;
    if (!regex.Compile(before, after, detail)) {
        state.SkipWithError("does not compile");
        return;
    }
    const std::string source = platform::Cp932FromUtf8(c.name);
    int code = 0;
    for (auto _ : state) {
        std::string name = source;
        code = regex.Apply(name, detail);
        benchmark::DoNotOptimize(name);
    }
    state.SetLabel(c.pattern);
    state.counters["bytes"] = static_cast<double>(source.size());
    state.counters["refused"] = code == engine::MRVN_ERROR_BAD_REGEX ? 1 : 0;
}
BENCHMARK(BM_Pathological)
    ->ArgsProduct({benchmark::CreateDenseRange(0, 9, 1), {1, 10}})
    ->ArgNames({"pattern", "pairs"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
