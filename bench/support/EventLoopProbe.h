// How promptly the window's event loop answers while work runs elsewhere: a 5 ms timer on the
// GUI thread, and the longest gap between two of its ticks.
#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace viewerbench {

class EventLoopProbe {
public:
    EventLoopProbe() {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const qint64 now = clock_.nsecsElapsed();
            worst_ = std::max(worst_, now - last_);
            last_ = now;
            ++ticks_;
        });
    }
    void Start() {
        clock_.start();
        timer_.start();
    }
    void Print() const {
        std::printf("event loop: %lld ticks of 5 ms, longest gap %.2f ms, so answered within %.2f ms (target <= 20)\n",
                    static_cast<long long>(ticks_), static_cast<double>(worst_) / 1e6,
                    std::max(0.0, static_cast<double>(worst_) / 1e6 - 5.0));
    }

private:
    QElapsedTimer clock_;
    QTimer timer_;
    qint64 last_ = 0, worst_ = 0, ticks_ = 0;
};

}  // namespace viewerbench
