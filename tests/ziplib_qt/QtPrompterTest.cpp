// Guards the Qt windows of the archiver's questions: each prompt's buttons in their order and the
// answer each click (or Escape) gives, and the password window's layout, its OK and its Cancel.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

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
