// Times the skinned window's repaints offscreen on a copy of the sample installation:
//   vb_bench_chrome [SAMPLE_DIR] [--runs N]
// - the activation repaint (chrome painted, screen strip taken, title blended), which runs
//   each time the program becomes active: target 16 ms median, one frame;
// - the layout routine with its chrome painting, as after a title drag: target 16 ms;
// - a skin change on the options panel (every bitmap of the skin read, layout, chrome and
//   blend): target 100 ms median, so a click answers at once;
// - the pointer crossing the chrome, one move at a time in and out of the zoom and close
//   buttons (their states drawn): target 1 ms a move, so hovering never lags;
// - a step of the resize grip (the window resized and painted at its new size): target 16 ms;
// - the release of the resize grip after its steps were painted (size stored, layout, chrome,
//   blend): target 16 ms.
// Each line gives median, minimum and maximum over the runs and the load average beside them.
#include <QApplication>
#include <QListWidget>
#include <QPoint>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "Spread.h"
#include "ViewerBench.h"
#include "platform/TextFile.h"

namespace fs = std::filesystem;
using namespace viewerbench;

namespace {

void Report(const char* what, const std::vector<double>& ms, double target) {
    const benchsupport::Spread s = benchsupport::SpreadOf(ms);
    std::printf("%-48s median %7.2f ms  min %7.2f  max %7.2f  (target %.0f ms)  load %s\n", what, s.median, s.min,
                s.max, target, benchsupport::LoadAverage().c_str());
}

std::vector<double> Time(int runs, const std::function<void()>& step) {
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        step();
        Settle();
        ms.push_back(Ms(Clock::now() - start));
    }
    return ms;
}

}  // namespace

int main(int argc, char** argv) {
    fs::path sample = VB_SAMPLE_DIR;
    int runs = 50;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc) runs = std::max(1, std::atoi(argv[++i]));
        else sample = arg;
    }
    std::string scratch = (fs::temp_directory_path() / "vb-bench-chrome-XXXXXX").string();
    if (!::mkdtemp(scratch.data())) return 1;
    const fs::path install = fs::path(scratch) / "install";
    fs::copy(sample, install, fs::copy_options::recursive);
    platform::SaveLines(install / "skins/skin_select.txt", {"Classic"});
    PrepareRun(install);
    ::setenv("XDG_DATA_HOME", (install / ".bench-data").c_str(), 1);
    QApplication app(argc, argv);
    int errors = 0;
    auto form = OpenViewer(install, errors);
    if (!form) return 1;
    std::printf("window %dx%d, skin %s, %d runs\n", form->width(), form->height(), form->Config().SkinName.c_str(),
                runs);

    Report("activation repaint (N111, N121)", Time(runs, [&] { form->AppActivate(); }), 16);
    Report("layout and chrome (N31, N121)", Time(runs, [&] {
               form->N31Click();
               form->N121Click();
           }),
           16);
    const QPoint path[] = {
        {form->Cover().zoomIn.x + 5, form->Cover().zoomIn.y + 5}, {300, 300}, {form->width() - 12, 10}, {300, 12}};
    size_t step = 0;
    Report("pointer over the chrome, one move", Time(runs * 20, [&] {
               const QPoint at = path[step++ % std::size(path)];
               form->Image3MouseMove(at.x(), at.y());
           }),
           1);
    // Up and down, which every screen leaves room for above the smallest window. Each step is
    // painted before the next, as the pointer's moves are; the release is timed on its own.
    std::vector<double> dragMs, releaseMs;
    for (int i = 0; i < runs; ++i) {
        form->ImagePlus3MouseDown(Qt::LeftButton, 5, 5);
        dragMs.push_back(Time(1, [&] { form->ImagePlus3MouseMove(5, 5 + (step++ % 2 ? 20 : -20)); }).front());
        releaseMs.push_back(Time(1, [&] { form->ImagePlus3MouseUp(Qt::LeftButton, 5, 5); }).front());
    }
    Report("grip dragged a step (resize, paint)", dragMs, 16);
    Report("grip released (size stored, N31, N121)", releaseMs, 16);
    form->Label2Click();  // the options panel with its skin list
    bool forest = false;
    Report("skin change, Classic and Forest in turn", Time(runs, [&] {
               forest = !forest;
               const auto found = form->ListBox5->findItems(forest ? "Forest" : "Classic", Qt::MatchExactly);
               form->ListBox5->setCurrentItem(found.front());
               form->ListBox5Click();
           }),
           100);
    if (errors) std::printf("%d error boxes were raised\n", errors);
    form.reset();
    std::error_code ec;
    fs::remove_all(scratch, ec);
    return errors ? 1 : 0;
}
