// Shows the viewer on a copy of the sample installation in a real X server (the test runs
// under Xvfb), once with each of the sample's skins, a book picked, and checks the screen
// really shows it: a screenshot that is not blank, the category list drawn where the window
// put it, and under a painted skin its title line in the skin's title colour, blended with
// the screen above the window as the title blend mixes them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QListWidget>
#include <QScreen>
#include <QSet>
#include <QTest>

#include "Chrome.h"
#include "Installation.h"
#include "TForm1.h"
#include "platform/TextFile.h"

namespace {

QImage Grab() { return QGuiApplication::primaryScreen()->grabWindow(0).toImage(); }

void Pick(QListWidget* list, const char* text) {
    const auto found = list->findItems(QString::fromUtf8(text), Qt::MatchExactly);
    ASSERT_FALSE(found.isEmpty()) << text;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(found.front()).center());
}

bool Near(QColor a, QColor b) {
    return std::abs(a.red() - b.red()) <= 1 && std::abs(a.green() - b.green()) <= 1 &&
           std::abs(a.blue() - b.blue()) <= 1;
}

}  // namespace

class Screenshot : public testing::TestWithParam<const char*> {};

TEST_P(Screenshot, ViewerWindowIsDrawnOnTheSampleInstallation) {
    const std::string skin = GetParam();
    testsupport::Installation inst;
    std::filesystem::copy(VB_SAMPLE_DIR, inst.dir(), std::filesystem::copy_options::recursive);
    testsupport::WriteFile(inst.dir() / "VantorBooks", "");
    platform::SaveLines(inst.dir() / "skins/skin_select.txt", {skin});
    TForm1 form;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QTest::qWait(300);
    EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
    Pick(form.ListBox8, "Фантастика");
    Pick(form.ListBox2, "Звёздные миры");
    Pick(form.ListBox9, "Первая экспедиция");
    Pick(form.ListBox1, "Последний рейс «Альбатроса»");
    QTest::qWait(300);

    const QImage shot = Grab();
    const char* dir = std::getenv("VB_SCREENSHOT_DIR");
    shot.save(QString::fromStdString((dir ? std::string(dir) + "/" : std::string()) + "viewer-" + skin + ".png"));
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

    if (skin == "Windows") return;
    // A point of the title line right of the program name and left of the close button.
    const QImage titleStrip(QString::fromStdString((inst.dir() / "skins" / skin / "z_fon.bmp").string()));
    ASSERT_FALSE(titleStrip.isNull());
    const QPoint window = form.mapToGlobal(QPoint(0, 0));
    const int x = form.width() / 2, y = 3;
    const QColor painted = titleStrip.pixelColor(0, y);
    const QColor seen = shot.pixelColor(window.x() + x, window.y() + y);
    QColor expected = painted;
    const QPoint above(window.x() + x, window.y() - form.TitleLineHeight + y);
    if (shot.valid(above)) {
        // Blended once the window was active; the screen above it shows through.
        const QColor behind = shot.pixelColor(above);
        const int p = viewer::TitleBlendPercent(form.TitleBlendOption, form.TitleBlendSkin);
        const auto mixed = [&](int a, int b) { return (a * p + b * (100 - p)) / 100; };
        const QColor blended(mixed(painted.red(), behind.red()), mixed(painted.green(), behind.green()),
                             mixed(painted.blue(), behind.blue()));
        if (Near(seen, blended)) expected = blended;
    }
    EXPECT_TRUE(Near(seen, expected)) << "title line shows " << seen.name().toStdString() << ", the skin's title "
                                      << painted.name().toStdString();
}

INSTANTIATE_TEST_SUITE_P(SampleSkins, Screenshot, testing::Values("Classic", "Forest", "Windows"),
                         [](const testing::TestParamInfo<const char*>& info) { return std::string(info.param); });
