// The folder selection page on a wide folder: opening a tree item that has 2,000 subfolders
// (each child's own subfolders are listed so its expand button is right), and filling the file
// list with 2,000 files. Runs offscreen on a temporary folder; the user's preferences are not
// touched (they go to a temporary configuration folder):
//   build/bench/gui_FolderTree_bench
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "pages/FolderSelectPage.h"
#include "pages/PageTable.h"
#include "platform/Clock.h"
#include "platform/Codepage.h"
#include "platform/PosixFileSystem.h"
#include "shell/Document.h"
#include "shell/MainView.h"
#include "support/ScriptedInteraction.h"
#include "widgets/Preferences.h"

namespace {

namespace fs = std::filesystem;
using namespace morvanex;

constexpr int kWidth = 2000;

// <root>/wide/d10000 .. d11999 (every other one with a subfolder) and <root>/files/ with as
// many files.
struct Fixture {
    QTemporaryDir folder;
    std::string root;

    Fixture() {
        root = folder.path().toStdString() + "/";
        fs::create_directories(root + "files");
        for (int i = 0; i < kWidth; ++i) {
            const std::string name = root + "wide/d" + std::to_string(10000 + i);
            fs::create_directories(i % 2 == 0 ? name + "/inner" : name);
            std::ofstream(root + "files/f" + std::to_string(10000 + i) + ".txt");
        }
    }
};

Fixture& Folders() {
    static Fixture fixture;
    return fixture;
}

struct PageOnRoot {
    widgets::Preferences preferences;
    test::ScriptedInteraction interaction;
    std::unique_ptr<shell::Document> document;
    std::unique_ptr<shell::MainView> view;
    std::unique_ptr<pages::FolderSelectPage> page;

    explicit PageOnRoot(const std::string& fullPath) {
        document = std::make_unique<shell::Document>(preferences,
                                                     std::make_unique<platform::PosixFileSystem>(),
                                                     std::make_unique<platform::SystemClock>());
        view = std::make_unique<shell::MainView>(*document, pages::MainPageTable(), nullptr);
        document->Attach(*view, *view, interaction);
        settings::RenameSettings& settings = document->Settings();
        const std::string root = platform::Cp932FromUtf8(Folders().root);
        settings.DriveList = {{root, "bench", root + ": bench"}};
        settings.SelectFile.SelectedRenameDrive = 0;
        settings.SelectFile.FullPath = platform::Cp932FromUtf8(fullPath);
        page = std::make_unique<pages::FolderSelectPage>(view->Context(), nullptr);
        page->ShowSettings();
    }
};

QTreeWidgetItem* WideItem(const pages::FolderSelectPage& page) {
    QTreeWidgetItem* root = page.findChild<QTreeWidget*>("folderTree")->topLevelItem(0);
    for (int i = 0; i < root->childCount(); ++i) {
        if (root->child(i)->text(0) == QLatin1String("[wide]")) return root->child(i);
    }
    return nullptr;
}

void BM_ExpandFolderWithManySubfolders(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        PageOnRoot fixture(Folders().root);
        QTreeWidgetItem* wide = WideItem(*fixture.page);
        state.ResumeTiming();
        wide->setExpanded(true);
        benchmark::DoNotOptimize(wide->child(0)->childCount());
    }
    state.SetItemsProcessed(state.iterations() * kWidth);
}
BENCHMARK(BM_ExpandFolderWithManySubfolders)->Unit(benchmark::kMillisecond);

void BM_FillFileList(benchmark::State& state) {
    PageOnRoot fixture(Folders().root + "files/");
    auto* show = fixture.page->findChild<QPushButton*>("showFilesButton");
    auto* list = fixture.page->findChild<QListWidget*>("fileList");
    for (auto _ : state) {
        show->click();
        if (list->count() != kWidth) state.SkipWithError("the list is not full");
    }
    state.SetItemsProcessed(state.iterations() * kWidth);
}
BENCHMARK(BM_FillFileList)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    platform::FixTimeZone();
    QTemporaryDir config;
    setenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()).constData(), 1);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config.path());
    if (getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
