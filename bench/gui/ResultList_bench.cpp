// How long the preview list takes to open for a large run: building the dialog over the run's
// lists, laying it out and painting the first screen. Run offscreen:
//   QT_QPA_PLATFORM=offscreen build/bench/gui_ResultList_bench
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTableView>
#include <cstdlib>
#include <string>

#include "dialogs/ResultListDialog.h"
#include "platform/Clock.h"
#include "platform/Codepage.h"

namespace {

morvanex::engine::ResultList MakeList(std::size_t rows) {
    morvanex::engine::ResultList list;
    const std::string folder = morvanex::platform::Sjis("/home/user/写真/2024年 夏/");
    for (std::size_t i = 0; i < rows; ++i) {
        const std::string number = std::to_string(i);
        list.sources.push_back(folder + "IMG_" + number + ".JPG");
        list.targets.push_back(folder + morvanex::platform::Sjis("旅行_") + number + ".jpg");
        morvanex::settings::FileStatusRecord record;
        record.Status.creation = 1700000000 + static_cast<long>(i);
        record.Status.modification = record.Status.creation + 60;
        record.Status.access = record.Status.creation + 120;
        record.Status.attributes = 0x20;
        list.before.push_back(record);
        list.after.push_back(record);
    }
    return list;
}

void OpenResultList(benchmark::State& state) {
    const morvanex::engine::ResultList list = MakeList(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        morvanex::dialogs::ResultListDialog dialog(list, nullptr);
        dialog.show();
        dialog.Table()->viewport()->grab();  // the first screen, painted
        QApplication::processEvents();
        benchmark::DoNotOptimize(dialog.Table()->model()->rowCount());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(OpenResultList)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    morvanex::platform::FixTimeZone();
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
