// How promptly the window's event loop answers while work runs elsewhere: a 5 ms timer on the
// GUI thread, and the longest gap between two of its ticks (only while `during` holds, when
// given, so the window's own work after that is not counted).
#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace viewerbench {

class EventLoopProbe {
public:
    EventLoopProbe() {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const qint64 now = clock_.nsecsElapsed();
            if (!during_ || during_()) worst_ = std::max(worst_, now - last_);
            last_ = now;
            ++ticks_;
        });
    }
    void Start(std::function<bool()> during = {}) {
        during_ = std::move(during);
        clock_.start();
        timer_.start();
    }
    // How late the window answered at worst: the longest gap less the timer's own interval.
    double AnsweredWithinMs() const { return std::max(0.0, static_cast<double>(worst_) / 1e6 - 5.0); }
    void Print(double targetMs = 20) const {
        std::printf("event loop: %lld ticks of 5 ms, longest gap %.2f ms, so answered within %.2f ms (target <= %g)\n",
                    static_cast<long long>(ticks_), static_cast<double>(worst_) / 1e6, AnsweredWithinMs(), targetMs);
    }

private:
    QElapsedTimer clock_;
    QTimer timer_;
    std::function<bool()> during_;
    qint64 last_ = 0, worst_ = 0, ticks_ = 0;
};

}  // namespace viewerbench
