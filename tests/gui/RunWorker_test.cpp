#include "shell/RunWorker.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSignalSpy>
#include <QThread>
#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/ResultCodes.h"
#include "engine/journal/Undo.h"
#include "engine/journal/UndoJournal.h"
#include "engine/run/RunDriver.h"
#include "platform/Codepage.h"
#include "platform/PosixFileSystem.h"
#include "settings/SettingsLifecycle.h"
#include "shell/WorkPace.h"
#include "support/FixedClock.h"
#include "support/ForwardingFileSystem.h"
#include "support/ScriptedInteraction.h"
#include "support/SequencePattern.h"
#include "support/TempFolder.h"

namespace morvanex::shell {
namespace {

using test::Cp932;

// The disk, where the work asks for its own stop once it has made the chosen number of moves:
// the stop arrives at a known place between two files, as a click during the run would.
class StoppingFileSystem final : public test::ForwardingFileSystem {
  public:
    explicit StoppingFileSystem(platform::FileSystem& real) : ForwardingFileSystem(real) {}
    int Move(std::string_view from, std::string_view to,
             const platform::FileStatus* expected) override {
        const int result = ForwardingFileSystem::Move(from, to, expected);
        if (++moves == stopAfter && worker != nullptr) worker->Stop();
        return result;
    }
    std::atomic<int> moves{0};
    int stopAfter = -1;  // the move after which the stop is asked for; never when negative
    RunWorker* worker = nullptr;
};

// The window's interaction: every call is passed to the scripted one, and each call made on
// another thread than the window's is counted.
class WindowThreadInteraction final : public engine::Interaction {
  public:
    explicit WindowThreadInteraction(test::ScriptedInteraction& inner) : m_inner(inner) {}

    void ShowMessage(const std::string& text, engine::MessageIcon icon) override {
        Note("message");
        m_inner.ShowMessage(text, icon);
    }
    bool AskYesNo(engine::Question question, const std::string& text) override {
        Note("question");
        return m_inner.AskYesNo(question, text);
    }
    void ShowResultList(const engine::ResultList& list) override {
        Note("list");
        m_inner.ShowResultList(list);
    }
    bool ConfirmUndo(const engine::ResultList& preview) override {
        Note("confirm");
        return m_inner.ConfirmUndo(preview);
    }
    void Progress(unsigned total, int current) override {
        Note({});
        m_inner.Progress(total, current);
    }
    void ProgressDone() override {
        Note({});
        m_inner.ProgressDone();
    }
    void ProgressReset() override {
        Note({});
        m_inner.ProgressReset();
    }
    void BeginWait() override { Note({}); }
    void EndWait() override { Note({}); }

    std::vector<std::string> calls;  // the dialogs, in the order they were shown
    int offThread = 0;

  private:
    void Note(const char* call) {
        if (QThread::currentThread() != QCoreApplication::instance()->thread()) ++offThread;
        if (call != nullptr) calls.emplace_back(call);
    }
    test::ScriptedInteraction& m_inner;
};

// Five files renamed "IMG_001.txt"… in name order, on the disk, journaled.
class RunWorkerTest : public testing::Test {
  protected:
    RunWorkerTest() : files(posix), journal(Cp932(state.Path())), window(scripted) {
        settings = settings::ConstructSettings({posix, clock, {}});
        settings.SelectFile.FullPath = Cp932(temp.Path());
        test::UseSequencePattern(settings, "IMG_", 3);
        for (int i = 1; i <= kFiles; ++i) temp.CreateFile(Original(i), std::to_string(i));
        files.worker = &worker;
    }

    static std::string Original(int i) { return "f" + std::to_string(i) + ".txt"; }
    static std::string Renamed(int i) { return "IMG_00" + std::to_string(i) + ".txt"; }

    // Runs `body` on the worker's thread and waits until its end has come back here.
    template <class Body>
    void Work(Body body) {
        QSignalSpy finished(&worker, &RunWorker::Finished);
        ASSERT_TRUE(worker.Start(
            [&](engine::Interaction& ui, const engine::StopRequest& stop) {
                body(engine::RunContext{files, clock, ui, &journal, &stop});
            },
            {}));
        ASSERT_TRUE(finished.wait(60000));
        EXPECT_FALSE(worker.Busy());
    }
    engine::RunOutcome Run(bool preview = false) {
        engine::RunOutcome outcome;
        Work([&](const engine::RunContext& context) {
            outcome = engine::StartRun(settings, context, preview, nullptr);
        });
        return outcome;
    }
    void Undo() {
        Work([&](const engine::RunContext& context) { engine::Undo(settings, context); });
    }
    // How many of the files carry their new names (the others their old ones).
    int RenamedCount() {
        int renamed = 0;
        for (int i = 1; i <= kFiles; ++i) {
            EXPECT_NE(temp.Exists(Original(i)), temp.Exists(Renamed(i))) << i;
            if (temp.Exists(Renamed(i))) ++renamed;
        }
        return renamed;
    }
    std::string LastMessage() const {
        return scripted.messages.empty() ? std::string()
                                         : platform::Utf8FromCp932(scripted.messages.back());
    }

    static constexpr int kFiles = 5;
    test::TempFolder temp;
    test::TempFolder state;
    platform::PosixFileSystem posix;
    StoppingFileSystem files;
    test::FixedClock clock{1700000000};
    engine::UndoJournal journal;
    test::ScriptedInteraction scripted;
    WindowThreadInteraction window;
    RunWorker worker{window};
    settings::RenameSettings settings;
};

TEST_F(RunWorkerTest, AStopEndsTheRunBetweenTwoFilesAndUndoGivesEverythingBack) {
    const struct {
        const char* name;
        int stopAfter;
        int viewDetailResult;
    } rows[] = {
        {"stop/after_the_first", 1, 0},
        {"stop/before_the_last", 4, 0},
        {"stop/list_of_what_was_done", 2, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        scripted = {};
        window.calls.clear();
        files.moves = 0;
        files.stopAfter = row.stopAfter;
        settings.CommonOption.ViewDetailResult = row.viewDetailResult;

        const engine::RunOutcome outcome = Run();
        EXPECT_EQ(outcome.resultCode, engine::MRVN_STOPPED_BY_USER);
        EXPECT_EQ(outcome.doneCount, row.stopAfter);
        EXPECT_EQ(RenamedCount(), row.stopAfter) << "the files after the stop are untouched";
        EXPECT_EQ(LastMessage(), platform::Utf8FromCp932(engine::StoppedMessage(row.stopAfter)));
        EXPECT_TRUE(scripted.questions.empty()) << "a stop is no failure: no undo question";
        if (row.viewDetailResult != 0) {
            ASSERT_EQ(scripted.resultLists.size(), 1u);
            EXPECT_EQ(scripted.resultLists[0].targets.size(),
                      static_cast<std::size_t>(row.stopAfter));
            EXPECT_EQ(window.calls, (std::vector<std::string>{"message", "list"}));
        } else {
            EXPECT_EQ(window.calls, std::vector<std::string>{"message"});
        }
        // The journal holds exactly what was done, and the window's undo takes it all back.
        const engine::journal::Run recorded = engine::journal::ReadRun(journal.RunPath(), posix);
        EXPECT_EQ(recorded.records.size(), static_cast<std::size_t>(row.stopAfter));
        EXPECT_EQ(settings.Undo.ValidCount, row.stopAfter);
        files.stopAfter = -1;
        Undo();
        EXPECT_EQ(RenamedCount(), 0);
        EXPECT_EQ(LastMessage(), "Undoが正常終了しました。");
        EXPECT_EQ(window.offThread, 0) << "every call reached the window on its own thread";
    }
}

TEST_F(RunWorkerTest, AStoppedUndoLeavesTheRestPendingForTheNextUndo) {
    ASSERT_EQ(Run().resultCode, 0);
    ASSERT_EQ(RenamedCount(), kFiles);
    files.moves = 0;
    files.stopAfter = 2;
    Undo();
    // Newest first: the last two files are back, the first three keep their new names.
    EXPECT_EQ(RenamedCount(), kFiles - 2);
    EXPECT_TRUE(temp.Exists(Original(5)));
    EXPECT_TRUE(temp.Exists(Renamed(3)));
    EXPECT_EQ(LastMessage(), platform::Utf8FromCp932(engine::UndoStoppedMessage(2)));
    // Not settled: the command line's plain undo still offers the run.
    EXPECT_EQ(engine::ChooseRunToUndo(Cp932(state.Path()), posix).run.path, journal.RunPath());

    files.stopAfter = -1;
    Undo();
    EXPECT_EQ(RenamedCount(), 0);
    EXPECT_EQ(LastMessage(), "Undoが正常終了しました。");
    EXPECT_EQ(window.offThread, 0);
}

TEST_F(RunWorkerTest, AStoppedPreviewShowsNothingAndTouchesNothing) {
    engine::RunOutcome outcome;
    Work([&](const engine::RunContext& context) {
        worker.Stop();  // before the first file
        outcome = engine::StartRun(settings, context, true, nullptr);
    });
    EXPECT_EQ(outcome.resultCode, engine::MRVN_STOPPED_BY_USER);
    EXPECT_EQ(RenamedCount(), 0);
    EXPECT_TRUE(window.calls.empty());
    // The next work starts without the old stop.
    EXPECT_EQ(Run().resultCode, 0);
    EXPECT_EQ(RenamedCount(), kFiles);
}

TEST_F(RunWorkerTest, QuestionsAreAnsweredOnTheWindowThreadInTheDefinedOrder) {
    settings.CopyToDir.EnableCopy = 1;
    settings.CopyToDir.FullPath = Cp932(temp.Path()) + "copies/";
    const struct {
        const char* name;
        bool answer;
        int code;
        std::vector<std::string> calls;
    } rows[] = {
        {"create_folder/yes", true, 0, {"question", "message"}},
        // The set-up check's code, then that nothing was converted.
        {"create_folder/no", false, 4, {"question", "message", "message"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        scripted = {};
        window.calls.clear();
        scripted.answers = {row.answer};
        const engine::RunOutcome outcome = Run();
        EXPECT_EQ(outcome.resultCode, row.code);
        EXPECT_EQ(window.calls, row.calls);
        ASSERT_EQ(scripted.questionKinds.size(), 1u);
        EXPECT_EQ(scripted.questionKinds[0], engine::Question::CreateCopyFolder);
        EXPECT_EQ(temp.Exists("copies/" + Renamed(1)), row.answer);
        EXPECT_EQ(window.offThread, 0);
        std::filesystem::remove_all(temp / "copies");
    }
}

// The window goes away while its work waits for an answer (the question posted or about to be):
// the question is never shown, the work is answered No, and the worker's end waits for it.
TEST_F(RunWorkerTest, AWorkerGoneWhileItsQuestionWaitsAnswersNoAndEndsTheWork) {
    for (int round = 0; round < 20; ++round) {
        auto gone = std::make_unique<RunWorker>(window);
        std::mutex mutex;
        std::condition_variable asking;
        bool asked = false;
        std::atomic<bool> returned{false};
        std::atomic<bool> answer{true};
        ASSERT_TRUE(gone->Start(
            [&](engine::Interaction& ui, const engine::StopRequest&) {
                {
                    std::lock_guard lock(mutex);
                    asked = true;
                }
                asking.notify_one();
                answer = ui.AskYesNo(engine::Question::StartRun, "?");
                returned = true;
            },
            [] { ADD_FAILURE() << "no end is delivered to a worker that is gone"; }));
        {
            // Waited for without the event loop, which would deliver the question.
            std::unique_lock lock(mutex);
            asking.wait(lock, [&] { return asked; });
        }
        gone.reset();
        EXPECT_TRUE(returned);
        EXPECT_FALSE(answer);
    }
    QCoreApplication::processEvents();
    EXPECT_TRUE(scripted.questions.empty());
}

TEST(WorkPace, CountPaceAndTimeLeft) {
    const struct {
        const char* name;
        std::vector<std::pair<qint64, int>> samples;  // (milliseconds, done)
        unsigned total;
        const char* text;
    } rows[] = {
        {"start/total_unknown", {}, 0, "0 件"},
        {"start/no_pace_yet", {{400, 300}}, 100000, "300 / 100,000 件"},
        {"steady/minutes_left",
         {{1000, 1000}, {2000, 2000}},
         100000,
         "2,000 / 100,000 件\n1,000 件/秒  残り 1:38"},
        {"steady/hours_left", {{2000, 20}}, 100000, "20 / 100,000 件\n10 件/秒  残り 2:46:38"},
        {"slowed/recent_pace_counts",
         {{1000, 10000}, {7000, 10600}, {8000, 10700}},
         20000,
         "10,700 / 20,000 件\n100 件/秒  残り 1:33"},
        {"end/nothing_left", {{1000, 500}}, 500, "500 / 500 件\n500 件/秒  残り 0:00"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        WorkPace pace;
        pace.Start(0);
        int done = 0;
        for (const auto& [ms, count] : row.samples) {
            pace.Sample(ms, count);
            done = count;
        }
        EXPECT_EQ(pace.Text(row.total, done).toStdString(), row.text);
    }
}

}  // namespace
}  // namespace morvanex::shell
