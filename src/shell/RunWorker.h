#pragma once

#include <QObject>
#include <QPointer>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "engine/Interaction.h"
#include "engine/StopRequest.h"

// Work on the files (a run, a preview, an undo) on a thread of its own, so that the window goes
// on answering while it works. Everything the work asks or shows goes to the window's
// interaction and is answered on the window's thread, in the order the work asked, the work
// waiting meanwhile; its progress goes there without waiting.
namespace morvanex::shell {

class RunWorker : public QObject {
    Q_OBJECT

  public:
    // The work itself: it talks to the user only through the interaction it is given and looks
    // at the stop request between its steps.
    using Work = std::function<void(engine::Interaction&, const engine::StopRequest&)>;

    // `window`: the interaction of the window, used on this object's thread only.
    explicit RunWorker(engine::Interaction& window, QObject* parent = nullptr);
    // Work still going is stopped; a question it waits on is answered No.
    ~RunWorker() override;
    RunWorker(const RunWorker&) = delete;
    RunWorker& operator=(const RunWorker&) = delete;

    // Starts the work; `done` runs on this object's thread once it has returned (then Finished
    // is emitted). False, and nothing started, while other work is going.
    bool Start(Work work, std::function<void()> done);
    bool Busy() const { return m_thread.joinable(); }

    // The user's stop: the work ends at its next step.
    void Stop() { m_stop.Request(); }
    bool Stopping() const { return m_stop.Requested(); }

    // How far the work has come, as it last reported it (total 0: not known yet); read at any
    // time from this object's thread.
    struct Reached {
        unsigned total = 0;
        int current = 0;
    };
    Reached Progress() const;

  signals:
    void Finished();

  private:
    class Relay;
    void Finish();

    engine::StopRequest m_stop;
    std::unique_ptr<Relay> m_relay;
    std::thread m_thread;
    std::function<void()> m_done;
};

}  // namespace morvanex::shell
