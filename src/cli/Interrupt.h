#pragma once

#include "engine/StopRequest.h"

namespace morvanex::cli {

// Ctrl-C and SIGTERM while a command changes files. The first asks the work to stop between two
// whole steps of its plan, so that the journal holds everything it did and `undo` can take it
// back; a second ends the program at once, as the signal would have (the journal still holds
// every change made, each recorded before it was made). One at a time; the handlers the
// process had come back when it goes.
class InterruptStop {
  public:
    InterruptStop();
    ~InterruptStop();
    InterruptStop(const InterruptStop&) = delete;
    InterruptStop& operator=(const InterruptStop&) = delete;

    const engine::StopRequest& Request() const { return m_request; }
    // The status a shell gives a program the signal ended: 128 + its number (130 for Ctrl-C).
    int ExitStatus() const;

  private:
    engine::StopRequest m_request;
};

}  // namespace morvanex::cli
