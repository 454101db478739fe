#include "shell/WorkPace.h"

#include <QLocale>
#include <algorithm>
#include <cmath>

namespace morvanex::shell {

namespace {

// The pace is the rate over this much of the most recent work.
constexpr qint64 kWindowMilliseconds = 5000;
// Less than this gives a pace too unsteady to promise a time.
constexpr qint64 kLeastMilliseconds = 1000;

QString Duration(double seconds) {
    const auto whole = static_cast<long long>(std::ceil(seconds));
    const long long hours = whole / 3600;
    const long long minutes = whole / 60 % 60;
    const QString rest = QStringLiteral("%1:%2")
                             .arg(minutes, hours > 0 ? 2 : 1, 10, QLatin1Char('0'))
                             .arg(whole % 60, 2, 10, QLatin1Char('0'));
    return hours > 0 ? QStringLiteral("%1:%2").arg(hours).arg(rest) : rest;
}

}  // namespace

void WorkPace::Start(qint64 milliseconds) {
    m_samples.clear();
    m_samples.emplace_back(milliseconds, 0);
}

void WorkPace::Sample(qint64 milliseconds, int done) {
    // Done counts only grow within one work; a count that fell (an undo after a run) starts anew.
    if (!m_samples.empty() && done < m_samples.back().second) m_samples.clear();
    m_samples.emplace_back(milliseconds, done);
    while (m_samples.size() > 2 && milliseconds - m_samples[1].first >= kWindowMilliseconds) {
        m_samples.pop_front();
    }
}

double WorkPace::PerSecond() const {
    if (m_samples.size() < 2) return 0;
    const auto& [fromTime, fromDone] = m_samples.front();
    const auto& [toTime, toDone] = m_samples.back();
    const qint64 span = toTime - fromTime;
    if (span < kLeastMilliseconds) return 0;
    return (toDone - fromDone) * 1000.0 / static_cast<double>(span);
}

QString WorkPace::Text(unsigned total, int done) const {
    const QLocale locale(QLocale::Japanese, QLocale::Japan);
    if (total == 0) return QStringLiteral("%1 件").arg(locale.toString(done));
    QString text = QStringLiteral("%1 / %2 件").arg(locale.toString(done), locale.toString(total));
    const double pace = PerSecond();
    if (pace <= 0) return text;
    text += QStringLiteral("\n%1 件/秒").arg(locale.toString(std::llround(pace)));
    const double left = std::max(0.0, (static_cast<double>(total) - done) / pace);
    return text + QStringLiteral("  残り %1").arg(Duration(left));
}

}  // namespace morvanex::shell
