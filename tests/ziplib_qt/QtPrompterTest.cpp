// Guards the Qt windows of the archiver's questions: each prompt's buttons in their order and the
// answer each click (or Escape) gives, the password window's layout, its OK and its Cancel, and a
// question from a worker thread, shown on the application's thread or, once the prompter is shut
// down, answered the safe way.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "ziplib_qt/QtPrompter.h"

using namespace ziplib;
using ziplib_qt::QtPrompter;

namespace {

// Runs `act` on the modal window once it is shown.
void WhenShown(std::function<void(QWidget&)> act) {
    QTimer::singleShot(0, [act] {
        QWidget* w = QApplication::activeModalWidget();
        ASSERT_NE(w, nullptr);
        act(*w);
    });
}

QStringList ButtonNames(QWidget& box) {
    QStringList names;
    for (auto* b : static_cast<QMessageBox&>(box).buttons()) names << b->objectName();
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST(QtPrompter, EachButtonGivesItsAnswer) {
    struct Case {
        const char* name;
        TZAButtons buttons;
        const char* click;  // nullptr: Escape
        TZAModalResult want;
        QStringList shown;
    };
    const Case cases[] = {
        {"overwrite: no to all", mbYes | mbNo | mbNoToAll | mbYesToAll, "mbNoToAll", TZAModalResult::mrNoToAll,
         {"mbNo", "mbNoToAll", "mbYes", "mbYesToAll"}},
        {"overwrite: yes to all", mbYes | mbNo | mbNoToAll | mbYesToAll, "mbYesToAll", TZAModalResult::mrYesToAll,
         {"mbNo", "mbNoToAll", "mbYes", "mbYesToAll"}},
        {"failure: retry", mbAbort | mbRetry | mbIgnore, "mbRetry", TZAModalResult::mrRetry,
         {"mbAbort", "mbIgnore", "mbRetry"}},
        {"failure: ignore", mbAbort | mbIgnore, "mbIgnore", TZAModalResult::mrIgnore, {"mbAbort", "mbIgnore"}},
        {"disk: OK", mbOK | mbCancel, "mbOK", TZAModalResult::mrOk, {"mbCancel", "mbOK"}},
        {"disk: Escape cancels", mbOK | mbCancel, nullptr, TZAModalResult::mrCancel, {"mbCancel", "mbOK"}},
    };
    QtPrompter prompter;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QString text;
        QStringList shown;
        WhenShown([&](QWidget& w) {
            auto& box = static_cast<QMessageBox&>(w);
            text = box.text();
            shown = ButtonNames(box);
            if (c.click) box.findChild<QPushButton*>(c.click)->click();
            else QTest::keyClick(&box, Qt::Key_Escape);
        });
        EXPECT_EQ(prompter.Ask(TZAPromptKind::Failure, "Файл \"a\"", c.buttons), c.want);
        EXPECT_EQ(text, QString::fromUtf8("Файл \"a\""));
        EXPECT_EQ(shown, c.shown);
    }
}

TEST(QtPrompter, PasswordWindowConfirmsOrCancels) {
    QtPrompter prompter;
    std::string password = "old";
    QSize size;
    WhenShown([&](QWidget& w) {
        EXPECT_EQ(w.windowTitle(), QString::fromUtf8("Password for \"Секрет.txt\""));
        size = w.size();
        auto* edit = w.findChild<QLineEdit*>("ZAPasswordEdit");
        EXPECT_EQ(edit->text(), "old");
        EXPECT_EQ(edit->echoMode(), QLineEdit::Password);
        EXPECT_EQ(edit->maxLength(), 255);
        edit->setText(QString::fromUtf8("новый"));
        w.findChild<QPushButton*>("ZAPasswordOK")->click();
    });
    EXPECT_TRUE(prompter.InputPassword("Password for \"Секрет.txt\"", "Enter password: ", password));
    EXPECT_EQ(password, "новый");
    // 180 by 63 layout units: four to the average letter's width, eight to the font's height.
    EXPECT_GT(size.width(), size.height());

    WhenShown([](QWidget& w) {
        w.findChild<QLineEdit*>("ZAPasswordEdit")->setText("typed");
        w.findChild<QPushButton*>("ZAPasswordCancel")->click();
    });
    EXPECT_FALSE(prompter.InputPassword("c", "p", password));
    EXPECT_EQ(password, "новый");
}

TEST(QtPrompter, AQuestionFromAWorkerThreadIsShownOnTheApplicationsThread) {
    QtPrompter prompter;
    std::atomic<bool> done{false};
    TZAModalResult got = TZAModalResult::mrNone;
    std::thread worker([&] {
        got = prompter.Ask(TZAPromptKind::Failure, "from a worker", mbAbort | mbRetry | mbIgnore);
        done = true;
    });
    bool shownHere = false;
    // The box runs its own event loop once it is up; a timer answers it from there.
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            shownHere = w->thread() == QCoreApplication::instance()->thread();
            w->findChild<QPushButton*>("mbRetry")->click();
        }
    });
    answer.start(5);
    while (!done) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    worker.join();
    EXPECT_TRUE(shownHere);
    EXPECT_EQ(got, TZAModalResult::mrRetry);
}

TEST(QtPrompter, AfterShutdownAWaitingWorkerGetsTheSafeAnswer) {
    // The event loop has ended: the window a worker waits for would never be shown.
    auto prompter = std::make_unique<QtPrompter>();
    TZAModalResult got = TZAModalResult::mrNone;
    bool password = true;
    std::thread worker([&] {
        got = prompter->Ask(TZAPromptKind::Failure, "never shown", mbAbort | mbRetry | mbIgnore);
        std::string p;
        password = prompter->InputPassword("c", "p", p);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    prompter->Shutdown();
    worker.join();
    EXPECT_EQ(got, TZAModalResult::mrAbort);
    EXPECT_FALSE(password);
    prompter.reset();
    // The question posted before the shutdown shows nothing when its turn comes.
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}
