#pragma once

#include <QString>
#include <QtGlobal>
#include <deque>
#include <utility>

// What the view shows under its bar while work goes: how many files of how many, then on a line
// of its own how many a second lately and the time that leaves ("1,234 / 100,000 件\n5,678 件/秒
// 残り 0:17").
namespace morvanex::shell {

class WorkPace {
  public:
    // Work starts at `milliseconds` (of any steady clock).
    void Start(qint64 milliseconds);
    // `done` files at `milliseconds`; the pace is taken over the last few seconds, so that it
    // follows a disk that slows down or a cache that runs out.
    void Sample(qint64 milliseconds, int done);
    // Files a second lately; 0 until there is a second's worth of samples.
    double PerSecond() const;
    // The two lines for `done` of `total` at the current pace (the count alone while the total or
    // the pace is not known yet).
    QString Text(unsigned total, int done) const;

  private:
    std::deque<std::pair<qint64, int>> m_samples;  // (milliseconds, done), oldest first
};

}  // namespace morvanex::shell
