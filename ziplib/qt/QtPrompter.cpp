#include "ziplib_qt/QtPrompter.h"

#include <QApplication>
#include <QDialog>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QThread>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

#include <utility>
#include <vector>

namespace ziplib_qt {

using ziplib::TZAButtons;
using ziplib::TZAModalResult;

namespace {

struct ButtonSpec {
    TZAButtons bit;
    TZAModalResult result;
    const char* objectName;
    const char* english;
    const char* russian;
    QMessageBox::ButtonRole role;
};

// In the order the platform's confirmation box lays them out.
const ButtonSpec kButtons[] = {
    {ziplib::mbYes, TZAModalResult::mrYes, "mbYes", "&Yes", "&Да", QMessageBox::YesRole},
    {ziplib::mbNo, TZAModalResult::mrNo, "mbNo", "&No", "&Нет", QMessageBox::NoRole},
    {ziplib::mbOK, TZAModalResult::mrOk, "mbOK", "OK", "ОК", QMessageBox::AcceptRole},
    {ziplib::mbCancel, TZAModalResult::mrCancel, "mbCancel", "Cancel", "Отмена", QMessageBox::RejectRole},
    {ziplib::mbAbort, TZAModalResult::mrAbort, "mbAbort", "&Abort", "&Прервать", QMessageBox::RejectRole},
    {ziplib::mbRetry, TZAModalResult::mrRetry, "mbRetry", "&Retry", "&Повторить", QMessageBox::AcceptRole},
    {ziplib::mbIgnore, TZAModalResult::mrIgnore, "mbIgnore", "&Ignore", "&Пропустить", QMessageBox::AcceptRole},
    {ziplib::mbNoToAll, TZAModalResult::mrNoToAll, "mbNoToAll", "N&o to All", "Н&ет для всех", QMessageBox::NoRole},
    {ziplib::mbYesToAll, TZAModalResult::mrYesToAll, "mbYesToAll", "Yes to &All", "Да для &всех", QMessageBox::YesRole},
};

// a * b / c rounded, as the layout units are scaled.
int MulDiv(int a, int b, int c) { return static_cast<int>((static_cast<long long>(a) * b + c / 2) / c); }

}  // namespace

bool QtPrompter::RussianCaptions() { return QLocale().language() == QLocale::Russian; }

// What the threads waiting for an answer share with the prompter.
struct QtPrompter::Waiting {
    std::mutex lock;
    std::condition_variable answered;
    bool shutDown = false;
};

QtPrompter::QtPrompter(QWidget* parent) : parent_(parent), waiting_(std::make_shared<Waiting>()) {}

QtPrompter::~QtPrompter() { Shutdown(); }

void QtPrompter::Shutdown() {
    std::lock_guard<std::mutex> hold(waiting_->lock);
    waiting_->shutDown = true;
    waiting_->answered.notify_all();
}

bool QtPrompter::OnGuiThread(const std::function<void()>& show) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return false;
    if (QThread::currentThread() == app->thread()) {
        show();
        return true;
    }
    // An archiver may ask from a worker thread (the viewer unpacks on one): the window is shown
    // on the application's thread and the worker waits for it, or for the end of the event loop.
    struct Call {
        bool done = false;
        bool abandoned = false;
    };
    const auto call = std::make_shared<Call>();
    const std::shared_ptr<Waiting> waiting = waiting_;
    {
        std::lock_guard<std::mutex> hold(waiting->lock);
        if (waiting->shutDown) return false;
    }
    QMetaObject::invokeMethod(
        app,
        [waiting, call, show] {
            {
                std::lock_guard<std::mutex> hold(waiting->lock);
                if (call->abandoned) return;  // `show` refers to the asking thread's locals
            }
            show();
            std::lock_guard<std::mutex> hold(waiting->lock);
            call->done = true;
            waiting->answered.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock<std::mutex> hold(waiting->lock);
    waiting->answered.wait(hold, [&] { return call->done || waiting->shutDown; });
    if (call->done) return true;
    call->abandoned = true;
    return false;
}

TZAModalResult QtPrompter::Ask(ziplib::TZAPromptKind kind, const std::string& text, TZAButtons buttons) {
    TZAModalResult result = TZAModalResult::mrNone;
    if (!OnGuiThread([&] { result = AskHere(text, buttons); }))
        return ziplib::NonInteractivePrompter().Ask(kind, text, buttons);
    return result;
}

bool QtPrompter::InputPassword(const std::string& caption, const std::string& prompt, std::string& password) {
    bool confirmed = false;
    if (!OnGuiThread([&] { confirmed = InputPasswordHere(caption, prompt, password); })) return false;
    return confirmed;
}

TZAModalResult QtPrompter::AskHere(const std::string& text, TZAButtons buttons) {
    const bool ru = RussianCaptions();
    QMessageBox box(parent_);
    box.setObjectName("ZAPrompt");
    box.setIcon(QMessageBox::Question);
    box.setWindowTitle(ru ? QStringLiteral("Подтверждение") : QStringLiteral("Confirm"));
    box.setText(QString::fromStdString(text));
    std::vector<std::pair<QAbstractButton*, TZAModalResult>> added;
    for (const ButtonSpec& b : kButtons) {
        if (!(buttons & b.bit)) continue;
        QPushButton* button = box.addButton(QString::fromUtf8(ru ? b.russian : b.english), b.role);
        button->setObjectName(b.objectName);
        if (added.empty()) box.setDefaultButton(button);
        added.emplace_back(button, b.result);
    }
    box.exec();
    for (const auto& [button, result] : added)
        if (box.clickedButton() == button) return result;
    return TZAModalResult::mrNone;
}

bool QtPrompter::InputPasswordHere(const std::string& caption, const std::string& prompt, std::string& password) {
    QDialog form(parent_);
    form.setObjectName("ZAPasswordForm");
    form.setWindowTitle(QString::fromStdString(caption));
    form.setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    // The layout is in units of the font's average letter width and its height.
    const QFontMetrics metrics(form.font());
    const int x = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) / 52;
    const int y = metrics.height();
    form.setFixedSize(MulDiv(180, x, 4), MulDiv(63, y, 8));

    QLabel label(QString::fromStdString(prompt), &form);
    label.move(MulDiv(8, x, 4), MulDiv(8, y, 8));
    label.adjustSize();

    QLineEdit edit(&form);
    edit.setObjectName("ZAPasswordEdit");
    edit.setMaxLength(255);
    edit.setEchoMode(QLineEdit::Password);
    edit.setStyleSheet(QStringLiteral("lineedit-password-character: 42"));  // '*'
    edit.setGeometry(label.x(), MulDiv(19, y, 8), MulDiv(164, x, 4), edit.sizeHint().height());
    edit.setText(QString::fromStdString(password));
    edit.selectAll();

    QPushButton ok(QStringLiteral("OK"), &form);
    ok.setObjectName("ZAPasswordOK");
    ok.setGeometry(MulDiv(38, x, 4), MulDiv(41, y, 8), MulDiv(50, x, 4), MulDiv(14, y, 8));
    ok.setDefault(true);
    QObject::connect(&ok, &QPushButton::clicked, &form, &QDialog::accept);
    QPushButton cancel(QStringLiteral("Cancel"), &form);
    cancel.setObjectName("ZAPasswordCancel");
    cancel.setGeometry(MulDiv(92, x, 4), MulDiv(41, y, 8), MulDiv(50, x, 4), MulDiv(14, y, 8));
    QObject::connect(&cancel, &QPushButton::clicked, &form, &QDialog::reject);

    if (const QScreen* screen = QApplication::primaryScreen())
        form.move(screen->availableGeometry().center() - form.rect().center());
    edit.setFocus();
    if (form.exec() != QDialog::Accepted) return false;
    password = edit.text().toStdString();
    return true;
}

}  // namespace ziplib_qt
