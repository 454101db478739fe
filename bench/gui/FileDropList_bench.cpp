// The free selection list taking a drop of 10,000 files while it already holds 10,000: the
// uri-list decoding, each file's attribute check and the duplicate test against the list.
// Runs offscreen on a temporary folder:
//   build/bench/gui_FileDropList_bench
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "pages/FileDropList.h"
#include "platform/Clock.h"
#include "platform/Codepage.h"
#include "platform/PosixFileSystem.h"

namespace {

namespace fs = std::filesystem;
using morvanex::pages::FileDropList;

// A drop as the toolkit delivers it: the widget takes a drop only after accepting the drag's
// entry.
void Drop(FileDropList& list, const QMimeData& mime) {
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &enter);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &drop);
}
using namespace morvanex;

constexpr int kCount = 10000;

// <root>/listed/ and <root>/dropped/ with kCount files each; the names of the dropped ones
// differ from the listed ones only in their folder, so every duplicate test looks at a
// same-length key.
struct Fixture {
    QTemporaryDir folder;
    std::vector<std::string> listed;  // CP932
    QList<QUrl> dropped;

    Fixture() {
        const std::string root = folder.path().toStdString() + "/";
        fs::create_directories(root + "listed");
        fs::create_directories(root + "dropped");
        for (int i = 0; i < kCount; ++i) {
            const std::string name = "File" + std::to_string(100000 + i) + ".jpg";
            std::ofstream(root + "listed/" + name);
            std::ofstream(root + "dropped/" + name);
            listed.push_back(platform::Cp932FromUtf8(root + "listed/" + name));
            dropped.append(QUrl::fromLocalFile(QString::fromStdString(root + "dropped/" + name)));
        }
    }
};

Fixture& Files() {
    static Fixture fixture;
    return fixture;
}

void BM_DropIntoFullList(benchmark::State& state) {
    platform::PosixFileSystem fileSystem;
    QMimeData mime;
    mime.setUrls(Files().dropped);
    for (auto _ : state) {
        state.PauseTiming();
        pages::FileDropList list(fileSystem, nullptr);
        list.SetDropRules(true, false, 0xA0);
        list.SetPaths(Files().listed);
        state.ResumeTiming();
        Drop(list, mime);
        if (list.Paths().size() != 2 * kCount) state.SkipWithError("the drop was not taken whole");
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}
BENCHMARK(BM_DropIntoFullList)->Unit(benchmark::kMillisecond);

// The same files dropped again: every one is a duplicate and nothing is added.
void BM_DropDuplicates(benchmark::State& state) {
    platform::PosixFileSystem fileSystem;
    QList<QUrl> again;
    for (const std::string& path : Files().listed) {
        again.append(QUrl::fromLocalFile(QString::fromStdString(platform::Utf8FromCp932(path))));
    }
    QMimeData mime;
    mime.setUrls(again);
    pages::FileDropList list(fileSystem, nullptr);
    list.SetDropRules(true, false, 0xA0);
    list.SetPaths(Files().listed);
    for (auto _ : state) {
        Drop(list, mime);
        if (list.Paths().size() != kCount) state.SkipWithError("a duplicate was taken");
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}
BENCHMARK(BM_DropDuplicates)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    platform::FixTimeZone();
    if (getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
