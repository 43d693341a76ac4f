// Calls back once, at the first mouse press or key press the user gives a window, then lets
// go: for what the window shows only until the user has seen it and acted.
#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QWidget>

#include <functional>
#include <utility>

namespace viewerui {

class FirstInput : public QObject {
public:
    FirstInput(QWidget* window, std::function<void()> then) : window_(window), then_(std::move(then)) {
        // Application-wide, so that a press on any of the window's controls counts.
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~FirstInput() override { QCoreApplication::instance()->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const auto type = event->type();
        if (then_ && (type == QEvent::MouseButtonPress || type == QEvent::KeyPress)) {
            const auto* widget = qobject_cast<QWidget*>(watched);
            if (widget && widget->window() == window_) std::exchange(then_, nullptr)();
        }
        return false;  // the press itself goes on as usual
    }

private:
    QWidget* window_;
    std::function<void()> then_;
};

}  // namespace viewerui
