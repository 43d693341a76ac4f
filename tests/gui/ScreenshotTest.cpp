// Shows the viewer on a copy of the sample installation in a real X server (the test runs
// under Xvfb) and checks the screen really shows it: a screenshot that is not blank, with
// the category list drawn where the window put it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QListWidget>
#include <QScreen>
#include <QSet>
#include <QTest>

#include "Installation.h"
#include "TForm1.h"

TEST(Screenshot, ViewerWindowIsDrawnOnTheSampleInstallation) {
    testsupport::Installation inst;
    std::filesystem::copy(VB_SAMPLE_DIR, inst.dir(), std::filesystem::copy_options::recursive);
    testsupport::WriteFile(inst.dir() / "VantorBooks", "");
    TForm1 form;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QTest::qWait(300);
    EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
    ASSERT_GT(form.ListBox8->count(), 0);

    const QImage shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    const char* out = std::getenv("VB_SCREENSHOT");
    shot.save(QString::fromLocal8Bit(out ? out : "viewer-screenshot.png"));
    ASSERT_FALSE(shot.isNull());

    QSet<QRgb> colours;
    for (int y = 0; y < shot.height(); y += 4)
        for (int x = 0; x < shot.width(); x += 4) colours.insert(shot.pixel(x, y));
    EXPECT_GT(colours.size(), 8) << "the screen is blank";

    // The category list holds dark text on a light ground: its area is not one colour.
    const QRect list(form.ListBox8->mapToGlobal(QPoint(0, 0)), form.ListBox8->size());
    QSet<QRgb> inList;
    for (int y = list.top(); y < list.bottom(); ++y)
        for (int x = list.left(); x < list.right(); ++x) inList.insert(shot.pixel(x, y));
    EXPECT_GT(inList.size(), 2) << "the category list is not drawn";
}
