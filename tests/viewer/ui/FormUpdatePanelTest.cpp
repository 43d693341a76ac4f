// Guards the update panel in the window against a real nginx: the notices open it centred
// with its list, status line and gauge and fetch their what's-new text; its title, texts and
// buttons are painted whatever the see-through setting, the title blended with the window
// beneath when it is on; the accept button is live only once the text is here (a failed text
// leaves it dead and says so); a request empties the list, and only the text of the request
// the open panel waits for fills it, not one that comes after a cancel or a newer request;
// a server that is down is named where the text or the installation stopped; cancel closes
// the panel whenever no installation runs, also after a failed one; opening it
// again repaints and re-centres it; and which downloads empty the description box.
#include <gtest/gtest.h>

#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTest>

#include <atomic>
#include <thread>

#include "ClickLabel.h"
#include "NginxServer.h"
#include "PanelFixture.h"
#include "RawHttpServer.h"
#include "TForm1.h"
#include "TImagePlus.h"
#include "ZipTool.h"
#include "platform/CodePage.h"

using testsupport::Installation;
using testsupport::NginxServer;
using testsupport::ShownAt;

namespace {

// Where the test skin's buttons lie on a 500 by 400 panel: b_update 60 x 20, b_cansel 20 x 20.
const QPoint kAccept(25, 400 - 25 - 20);
const QPoint kCancel(500 - 25 - 20, 400 - 25 - 20);
const QPoint kInAccept = kAccept + QPoint(30, 10);
const QPoint kInCancel = kCancel + QPoint(10, 10);

bool WaitForDownloads(const TForm1& form) { return QTest::qWaitFor([&] { return !form.Working(); }, 10000); }

std::vector<std::string> Items(const QListWidget* list) {
    std::vector<std::string> out;
    for (int i = 0; i < list->count(); ++i) out.push_back(list->item(i)->text().toStdString());
    return out;
}

void Release(TForm1& form, QPoint at) {
    QTest::mousePress(form.ImagePlus4, Qt::LeftButton, {}, at);
    QTest::mouseRelease(form.ImagePlus4, Qt::LeftButton, {}, at);
}

// The panel installation, written before the window reads it, against `server`.
struct ServedInstallation : Installation {
    explicit ServedInstallation(const std::string& server) {
        testsupport::WritePanelInstallation(*this);
        UseUpdateServer(server);
    }
};

// That installation's window, shown.
struct PanelWindow {
    explicit PanelWindow(const std::string& server) : inst(server) { form.show(); }
    ServedInstallation inst;
    TForm1 form;
};

}  // namespace

TEST(FormUpdatePanel, NoticesOpenThePanelAndFetchTheirText) {
    NginxServer nginx;
    nginx.Put("update_whatnew.txt", platform::Utf8ToBytes("Новые рассказы.\r\nНовые описания.\r\n"));
    nginx.Put("updatevantorbooks_whatnew.txt", platform::Utf8ToBytes("Версия 1.43.\r\n"));
    struct Case {
        const char* name;
        ClickLabel* TForm1::*notice;
        const char* transparency;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"data notice", &TForm1::Label6, "on", {"Новые рассказы.", "Новые описания."}},
        {"data notice, no see-through", &TForm1::Label6, "off", {"Новые рассказы.", "Новые описания."}},
        {"program notice", &TForm1::Label10, "on", {"Версия 1.43."}},
        {"program notice, no see-through", &TForm1::Label10, "off", {"Версия 1.43."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Installation inst;
        testsupport::WritePanelInstallation(inst, c.transparency);
        inst.UseUpdateServer(nginx.base());
        TForm1 form;
        form.show();
        form.ListBox11->addItem(QStringLiteral("an earlier check"));
        emit (form.*c.notice)->clicked();

        EXPECT_EQ(form.UpdatePanelPage(), "update");
        ASSERT_TRUE(form.Panel3->isVisible());
        EXPECT_EQ(form.Panel3->geometry(), QRect(form.width() / 2 - 250, form.height() / 2 - 200, 500, 400));
        EXPECT_EQ(form.ImagePlus4->geometry(), QRect(0, 0, 500, 400));
        // The status line has two lines, the list gives up the second one.
        const int line = form.Label15->fontMetrics().height();
        EXPECT_EQ(form.ListBox10->geometry(), QRect(20, 90, 460, 200 - line));
        EXPECT_EQ(form.Label15->geometry(), QRect(20, 300 - line, 460, 2 * line));
        EXPECT_EQ(form.Gauge2->geometry(), QRect(20, 300 + line + 10, 460, 15));
        // The panel's text colour, [Dialog] TextColor, on the status line and the "Help" label.
        for (const QWidget* label : {static_cast<const QWidget*>(form.Label15), static_cast<const QWidget*>(form.Label4)})
            EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(188, 188, 188))
                << label->objectName().toStdString();
        EXPECT_TRUE(form.Label15->isVisible() && form.Gauge2->isVisible() && form.ListBox10->isVisible());
        EXPECT_EQ(Items(form.ListBox11), (std::vector<std::string>{"Loading data..."}));
        // Painted with or without the see-through setting; not live before the text is here.
        EXPECT_EQ(ShownAt(form.ImagePlus4, kAccept + QPoint(2, 2)), "b_update_f");
        EXPECT_EQ(ShownAt(form.ImagePlus4, kCancel + QPoint(2, 2)), "b_cansel");
        EXPECT_EQ(ShownAt(form.ImagePlus4, {100, 3}) == "w_fon", std::string(c.transparency) == "off")
            << "the title line is blended only with the see-through setting";

        ASSERT_TRUE(WaitForDownloads(form));
        EXPECT_EQ(Items(form.ListBox10), c.lines);
        EXPECT_EQ(ShownAt(form.ImagePlus4, kAccept + QPoint(2, 2)), "b_update") << "live at once, for either text";
        EXPECT_EQ(form.Label15->text().toStdString(), "Status: ");
        EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
    }
}

TEST(FormUpdatePanel, TheTitleLineMixesWithTheWindowBeneath) {
    struct Case {
        int weight;
        int percent;  // the weight as used: within 0..100
    };
    for (const Case c : {Case{40, 40}, Case{120, 100}, Case{0, 0}}) {
        SCOPED_TRACE(c.weight);
        Installation inst;
        testsupport::WritePanelInstallation(inst, "on", c.weight);
        TForm1 form;
        form.show();
        const QPoint at(form.width() / 2 - 250, form.height() / 2 - 200);
        const QColor beneath = form.grab(QRect(at + QPoint(100, 3), QSize(1, 1))).toImage().pixelColor(0, 0);
        form.N141->trigger();
        const QColor frame(1, 2, 3);  // w_fon
        const auto mixed = [&](int a, int b) { return (a * c.percent + b * (100 - c.percent)) / 100; };
        EXPECT_EQ(form.ImagePlus4->Picture().pixelColor(100, 3),
                  QColor(mixed(frame.red(), beneath.red()), mixed(frame.green(), beneath.green()),
                         mixed(frame.blue(), beneath.blue())));
        // Below the title line nothing is mixed.
        EXPECT_EQ(ShownAt(form.ImagePlus4, {3, 100}), "w_l");
    }
}

TEST(FormUpdatePanel, AWhatsNewTextThatFailsLeavesAcceptDead) {
    NginxServer nginx;  // serves no what's-new text
    nginx.Put("docs.zip", "not fetched");
    PanelWindow window(nginx.base());
    auto& [inst, form] = window;
    form.DocsUpdateFound();
    form.ListBox10->addItem(QStringLiteral("an earlier text"));
    emit form.Label6->clicked();
    ASSERT_TRUE(WaitForDownloads(form));
    EXPECT_EQ(form.Label15->text().toStdString(), "Status: What is new could not be downloaded: the server answered 404");
    EXPECT_NE(form.ListBox11->item(form.ListBox11->count() - 1)->text().indexOf(QStringLiteral("HTTP status 404")), -1);
    EXPECT_EQ(form.ListBox10->count(), 0) << "the request emptied it, and its failed text fills nothing";
    // Hover, press and release on it show only the dead images; nothing starts.
    QTest::mouseMove(form.ImagePlus4, kInAccept);
    EXPECT_EQ(ShownAt(form.ImagePlus4, kAccept + QPoint(2, 2)), "b_update_f_a");
    QTest::mousePress(form.ImagePlus4, Qt::LeftButton, {}, kInAccept);
    EXPECT_EQ(ShownAt(form.ImagePlus4, kAccept + QPoint(2, 2)), "b_update_f");
    QTest::mouseRelease(form.ImagePlus4, Qt::LeftButton, {}, kInAccept);
    EXPECT_FALSE(form.Working());
    EXPECT_FALSE(form.Chain().DownLoaderBusy());
    EXPECT_EQ(nginx.Requests(1).size(), 1u);
    Release(form, kInCancel);
    EXPECT_FALSE(form.Panel3->isVisible());
    EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
}

// The answer of a download is queued to the window, so whatever the test does right after a
// notice's click happens before its text is here.
TEST(FormUpdatePanel, ATextThatComesAfterItsRequestWasLeftIsNotShown) {
    NginxServer nginx;  // no docs.zip: "Download stories for reading" stops at once
    nginx.Put("updatevantorbooks_whatnew.txt", "Version 1.43\r\n");
    struct Case {
        const char* name;
        bool served;                  // the data text is on the server
        void (*meanwhile)(TForm1&);   // while the data text is on its way
        bool open;                    // the panel is open when it comes
        const char* status;
    };
    const Case cases[] = {
        {"cancelled", true, [](TForm1& f) { Release(f, kInCancel); }, false, "Status: "},
        {"replaced by the program notice", true, [](TForm1& f) { emit f.Label10->clicked(); }, true,
         "Status: What is new was not fetched: another download is still running"},
        {"replaced, and the text fails", false, [](TForm1& f) { emit f.Label10->clicked(); }, true,
         "Status: What is new was not fetched: another download is still running"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.served) nginx.Put("update_whatnew.txt", "New stories\r\n");
        else nginx.Remove("update_whatnew.txt");
        PanelWindow window(nginx.base());
        auto& [inst, form] = window;
        emit form.Label6->clicked();
        c.meanwhile(form);
        ASSERT_TRUE(WaitForDownloads(form));
        EXPECT_EQ(form.Panel3->isVisible(), c.open);
        EXPECT_EQ(form.ListBox10->count(), 0);
        EXPECT_FALSE(form.UpdateOffer().AcceptLive());
        EXPECT_EQ(form.Label15->text().toStdString(), c.status);
        if (!c.served) {
            EXPECT_NE(form.ListBox11->item(form.ListBox11->count() - 1)->text().indexOf(QStringLiteral("404")), -1)
                << "the log hears of the failure";
        }
        if (c.open) {
            EXPECT_EQ(ShownAt(form.ImagePlus4, kAccept + QPoint(2, 2)), "b_update_f");
            Release(form, kInCancel);
        }

        // "Download stories for reading" opens the panel without a what's-new text.
        emit form.Label17->clicked();
        EXPECT_TRUE(form.Panel3->isVisible());
        EXPECT_EQ(form.ListBox10->count(), 0);
        ASSERT_TRUE(WaitForDownloads(form));
        EXPECT_EQ(form.ListBox10->count(), 0);
        EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
    }
}

TEST(FormUpdatePanel, ARequestShowsOnlyItsOwnText) {
    NginxServer nginx;
    nginx.Put("update_whatnew.txt", "New stories\r\nNew descriptions\r\n");
    nginx.Put("updatevantorbooks_whatnew.txt", "Version 1.43\r\n");
    PanelWindow window(nginx.base());
    auto& [inst, form] = window;
    emit form.Label6->clicked();
    ASSERT_TRUE(WaitForDownloads(form));
    ASSERT_EQ(Items(form.ListBox10), (std::vector<std::string>{"New stories", "New descriptions"}));
    // The other notice on the open panel: its request empties the list at once.
    emit form.Label10->clicked();
    EXPECT_EQ(form.ListBox10->count(), 0);
    EXPECT_EQ(ShownAt(form.ImagePlus4, kAccept + QPoint(2, 2)), "b_update_f");
    ASSERT_TRUE(WaitForDownloads(form));
    EXPECT_EQ(Items(form.ListBox10), (std::vector<std::string>{"Version 1.43"}));
    EXPECT_EQ(ShownAt(form.ImagePlus4, kAccept + QPoint(2, 2)), "b_update");
    // Cancelled and asked again, the text comes again.
    Release(form, kInCancel);
    ASSERT_FALSE(form.Panel3->isVisible());
    emit form.Label10->clicked();
    ASSERT_TRUE(WaitForDownloads(form));
    EXPECT_EQ(Items(form.ListBox10), (std::vector<std::string>{"Version 1.43"}));
    EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
}

TEST(FormUpdatePanel, CancelClosesWhenNoInstallationRuns) {
    // docs.zip waits for the test, then is not found: the installation stops.
    std::atomic<bool> release{false};
    testsupport::RawHttpServer held([&](testsupport::RawHttpServer::Connection& conn) {
        conn.ReadRequest();
        while (!release.load()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        conn.Send("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n");
    });
    PanelWindow window(held.base());
    auto& [inst, form] = window;
    form.DocsUpdateFound();
    form.N141->trigger();
    form.ListBox10->addItem(QStringLiteral("what is new"));
    form.AcceptDataUpdate();
    ASSERT_TRUE(form.Chain().DownLoaderBusy());

    QTest::mouseMove(form.ImagePlus4, kInCancel);
    EXPECT_EQ(ShownAt(form.ImagePlus4, kCancel + QPoint(2, 2)), "b_cansel_a");
    QTest::mousePress(form.ImagePlus4, Qt::LeftButton, {}, kInCancel);
    EXPECT_EQ(ShownAt(form.ImagePlus4, kCancel + QPoint(2, 2)), "b_cansel_p");
    QTest::mouseRelease(form.ImagePlus4, Qt::LeftButton, {}, kInCancel);
    EXPECT_TRUE(form.Panel3->isVisible()) << "closed while installing";
    EXPECT_EQ(ShownAt(form.ImagePlus4, kCancel + QPoint(2, 2)), "b_cansel");

    release.store(true);
    ASSERT_TRUE(WaitForDownloads(form));
    ASSERT_FALSE(form.Chain().DownLoaderBusy());
    Release(form, kCancel + QPoint(0, 10));  // on the button's border: neither in nor out
    EXPECT_TRUE(form.Panel3->isVisible());
    Release(form, kInCancel);
    EXPECT_FALSE(form.Panel3->isVisible()) << "a failed installation leaves the panel open for good";
    EXPECT_EQ(form.UpdatePanelPage(), "");
    EXPECT_EQ(form.ListBox10->count(), 0);
    EXPECT_TRUE(form.Gauge2->isHidden());
    // Closed, the panel's buttons do nothing.
    form.ImagePlus4MouseUp(Qt::LeftButton, kInCancel.x(), kInCancel.y());
    EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
}

// A server that is down, not one that answers 404: the panel and the log say which step
// stopped and why, and cancel closes the panel afterwards.
TEST(FormUpdatePanel, AServerThatIsDownIsSaidWhereItStopped) {
    struct Case {
        const char* name;
        bool accept;  // the what's-new text came; the server went down before the accept
        const char* status;
        const char* log;
    };
    const Case cases[] = {
        {"the what's-new text", false, "Status: What is new could not be downloaded: no connection to the update server",
         " - What is new: update_whatnew.txt could not be downloaded. "},
        {"the accepted installation", true,
         "Status: Update stopped: docs.zip could not be downloaded: no connection to the update server",
         " - Update stopped: docs.zip could not be downloaded. "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        NginxServer nginx;
        nginx.Put("update_whatnew.txt", "New stories\r\n");
        nginx.Put("docs.zip", "never fetched");
        PanelWindow window(nginx.base());
        auto& [inst, form] = window;
        form.DocsUpdateFound();
        if (c.accept) {
            emit form.Label6->clicked();
            ASSERT_TRUE(WaitForDownloads(form));
            ASSERT_EQ(ShownAt(form.ImagePlus4, kAccept + QPoint(2, 2)), "b_update");
            nginx.Stop();
            Release(form, kInAccept);
        } else {
            nginx.Stop();
            emit form.Label6->clicked();
        }
        ASSERT_TRUE(WaitForDownloads(form));
        EXPECT_EQ(form.Label15->text().toStdString(), c.status);
        const std::string last = form.ListBox11->item(form.ListBox11->count() - 1)->text().toStdString();
        EXPECT_NE(last.find(c.log), std::string::npos) << last;
        // The reason names the server that did not answer.
        EXPECT_NE(last.find("127.0.0.1"), std::string::npos) << last;
        EXPECT_FALSE(form.Chain().DownLoaderBusy());
        EXPECT_TRUE(form.Panel3->isVisible());
        Release(form, kInCancel);
        EXPECT_FALSE(form.Panel3->isVisible());
        EXPECT_EQ(form.ListBox10->count(), 0);
        EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
    }
}

TEST(FormUpdatePanel, OpeningItAgainRepaintsAndRecentresIt) {
    Installation inst;
    testsupport::WritePanelInstallation(inst);
    TForm1 form;
    form.show();
    form.N141->trigger();
    form.ImagePlus4->Canvas().fill(Qt::black);
    form.resize(form.width() + 100, form.height() + 60);
    form.N141->trigger();
    EXPECT_TRUE(form.Panel3->isVisible());
    EXPECT_EQ(form.Panel3->pos(), QPoint(form.width() / 2 - 250, form.height() / 2 - 200));
    EXPECT_EQ(ShownAt(form.ImagePlus4, kCancel + QPoint(2, 2)), "b_cansel");
}

TEST(FormUpdatePanel, WhichDownloadsEmptyTheDescription) {
    NginxServer nginx;
    const std::string lasx =
        "VantorBooks\r\n1\r\n2\r\n20180802\r\n4\r\n5\r\n6\r\n7\r\n10\r\n9\r\n10\r\n11\r\n20\r\n13\r\n14\r\n1.42\r\n";
    nginx.Put("update_whatnew.txt", "new\r\n");
    nginx.Put("updatevantorbooks_whatnew.txt", "new\r\n");
    nginx.Put("updatebase.zip", testsupport::ZipPackage({{"lang.txt", "Фантастика\r\n"}}, true).bytes);
    nginx.Put("docs.zip", testsupport::ZipPackage({{"docs/a.rtf", "{\\rtf1 a}"}}, true).bytes);
    struct Case {
        const char* name;
        std::string server;  // the server's update.lasx
        void (*act)(TForm1&);
        bool emptied;
    };
    const Case cases[] = {
        {"the update check", lasx, [](TForm1& f) { emit f.Label16->clicked(); }, true},
        {"a check stopped by a counter that is no number", "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\nnine\r\n",
         [](TForm1& f) { emit f.Label16->clicked(); }, false},
        {"the data what's-new text", lasx, [](TForm1& f) { f.N07091->trigger(); }, true},
        {"the program what's-new text", lasx, [](TForm1& f) { f.N07101->trigger(); }, true},
        {"documents and the fresh update.lasx", lasx,
         [](TForm1& f) {
             f.DocsUpdateFound();
             f.AcceptDataUpdate();
         },
         false},
        {"the database", lasx,
         [](TForm1& f) {
             f.BaseUpdateFound();
             f.AcceptDataUpdate();
         },
         true},
        {"a program update that is not on the server", lasx, [](TForm1& f) { f.N07111->trigger(); }, true},
        {"the fresh update.lasx alone", lasx, [](TForm1& f) { f.N07071->trigger(); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        nginx.Put("update.lasx", c.server);
        PanelWindow window(nginx.base());
        auto& [inst, form] = window;
        form.Memo2->setPlainText(QStringLiteral("the book's description"));
        c.act(form);
        ASSERT_TRUE(WaitForDownloads(form));
        EXPECT_EQ(form.Memo2->toPlainText().isEmpty(), c.emptied);
    }
}
