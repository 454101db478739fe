#include "shell/RunWorker.h"

#include <QThread>
#include <future>
#include <mutex>

namespace morvanex::shell {

// The interaction the work gets. A question or a message is carried to the window's thread and
// waited for there; progress is carried without waiting, only when the bar's position changes
// (a run of many files reports every file). Calls are delivered in the order they were made.
class RunWorker::Relay final : public engine::Interaction {
  public:
    explicit Relay(engine::Interaction& window)
        : m_window(window),
          m_windowThread(QThread::currentThread()),
          m_receiver(std::make_unique<QObject>()),
          m_showsProgress(window.ShowsProgress()) {}

    // Nothing more goes to the window; a call waiting for its answer gets its fallback.
    void Close() {
        {
            std::lock_guard lock(m_mutex);
            m_closed = true;
        }
        // Calls not delivered yet go with the receiver, and their waiters are released.
        m_receiver.reset();
    }

    // Runs `call` on the window's thread without waiting for it; false once closed.
    bool Post(std::function<void()> call) {
        std::lock_guard lock(m_mutex);
        if (m_closed) return false;
        QMetaObject::invokeMethod(m_receiver.get(), std::move(call), Qt::QueuedConnection);
        return true;
    }

    void Restart() {
        m_position = 0;
        m_total.store(0, std::memory_order_relaxed);
        m_current.store(0, std::memory_order_relaxed);
    }
    Reached Progress() const {
        return {m_total.load(std::memory_order_relaxed), m_current.load(std::memory_order_relaxed)};
    }

    void ShowMessage(const std::string& text, engine::MessageIcon icon) override {
        Ask<bool>([&] { return m_window.ShowMessage(text, icon), true; }, false);
    }
    bool AskYesNo(engine::Question question, const std::string& text) override {
        return Ask<bool>([&] { return m_window.AskYesNo(question, text); }, false);
    }
    void ShowNotice(engine::Notice notice, const std::string& text, int count) override {
        Ask<bool>([&] { return m_window.ShowNotice(notice, text, count), true; }, false);
    }
    void ShowResultList(const engine::ResultList& list) override {
        Ask<bool>([&] { return m_window.ShowResultList(list), true; }, false);
    }
    bool ConfirmUndo(const engine::ResultList& preview) override {
        return Ask<bool>([&] { return m_window.ConfirmUndo(preview); }, false);
    }

    void Progress(unsigned total, int current) override {
        m_total.store(total, std::memory_order_relaxed);
        m_current.store(current, std::memory_order_relaxed);
        const int position = engine::ProgressPosition(total, current);
        if (position == m_position) return;
        m_position = position;
        Post([&window = m_window, total, current] { window.Progress(total, current); });
    }
    void ProgressDone() override {
        m_position = 100;
        Post([&window = m_window] { window.ProgressDone(); });
    }
    void ProgressReset() override {
        m_position = 0;
        Post([&window = m_window] { window.ProgressReset(); });
    }
    bool ShowsProgress() const override { return m_showsProgress; }
    // The window no longer waits for a preview: it shows how far one has come, as a run's.
    bool ShowsProgressLine() const override { return true; }
    // The window shows that it works for as long as the work goes, not only while it waits.
    void BeginWait() override {}
    void EndWait() override {}

  private:
    // Runs `call` on the window's thread and waits for its answer; `fallback` once closed.
    template <class Result>
    Result Ask(std::function<Result()> call, Result fallback) {
        if (QThread::currentThread() == m_windowThread) return call();
        auto promise = std::make_shared<std::promise<Result>>();
        std::future<Result> answer = promise->get_future();
        // The promise is the posted call's alone: dropped undelivered, it breaks and wakes us.
        if (!Post([promise = std::move(promise), call = std::move(call)] {
                promise->set_value(call());
            })) {
            return fallback;
        }
        try {
            return answer.get();
        } catch (const std::future_error&) {
            return fallback;  // closed before the window could answer: the promise was dropped
        }
    }

    engine::Interaction& m_window;
    QThread* m_windowThread;
    std::mutex m_mutex;
    bool m_closed = false;
    std::unique_ptr<QObject> m_receiver;
    const bool m_showsProgress;
    int m_position = 0;  // the bar's position last carried (the work's thread only)
    std::atomic<unsigned> m_total{0};
    std::atomic<int> m_current{0};
};

RunWorker::RunWorker(engine::Interaction& window, QObject* parent)
    : QObject(parent), m_relay(std::make_unique<Relay>(window)) {}

RunWorker::~RunWorker() {
    m_stop.Request();
    m_relay->Close();
    if (m_thread.joinable()) m_thread.join();
}

bool RunWorker::Start(Work work, std::function<void()> done) {
    if (Busy()) return false;
    m_stop.Clear();
    m_relay->Restart();
    m_done = std::move(done);
    m_thread = std::thread([this, work = std::move(work)] {
        work(*m_relay, m_stop);
        m_relay->Post([this] { Finish(); });
    });
    return true;
}

RunWorker::Reached RunWorker::Progress() const {
    return m_relay->Progress();
}

void RunWorker::Finish() {
    m_thread.join();
    const std::function<void()> done = std::move(m_done);
    m_done = nullptr;
    if (done) done();
    emit Finished();
}

}  // namespace morvanex::shell
