// Times the page viewer on the largest page it takes (500 by 500 data cells, every cell with
// a text and an attribute string, one in ten with a formula): loading it into memory, running
// its commands, planning every cell's drawing, and the same page in the window (load,
// commands, one repaint of the visible cells). Nothing else reads this format, so there is
// no peer tool to run beside it. Prints median, minimum and maximum, and the load average.
#include <QAction>
#include <QTableWidget>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "CellCommands.h"
#include "PageCellDrawing.h"
#include "TexxLoader.h"
#include "ViewerBench.h"
#include "platform/TextFile.h"

namespace fs = std::filesystem;
using viewerbench::Clock;
using viewerbench::Ms;

namespace {

void WriteLargestPage(const fs::path& file) {
    const int n = viewer::kMaxPageDataCells;
    std::string text = std::to_string(n + 1) + "\r\n" + std::to_string(n + 1) + "\r\nongrid\r\n";
    for (int c = 1; c <= n; ++c)
        for (int r = 1; r <= n; ++r) text += std::to_string(c * r) + "\r\n";
    for (int c = 1; c <= n; ++c)
        for (int r = 1; r <= n; ++r)
            text += (r % 10 == 0 ? std::string("AFAAADAAAEACAF![") + std::to_string(c) + ",1]+[" + std::to_string(c) +
                                       ",2]="
                                 : std::string("AAAMABADAF--AB")) +
                    "\r\n";
    for (int c = 1; c <= n; ++c) text += "60\r\n";
    for (int r = 1; r <= n; ++r) text += "18\r\n";
    platform::WriteFileAtomically(file, text);
}

struct Spread {
    double median, min, max;
};

template <typename F>
Spread Time(int runs, F&& body) {
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        body();
        ms.push_back(Ms(Clock::now() - start));
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.front(), ms.back()};
}

void Print(const char* what, const Spread& s) {
    std::printf("%-44s median %8.2f ms   min %8.2f   max %8.2f\n", what, s.median, s.min, s.max);
}

}  // namespace

int main(int argc, char** argv) {
    int runs = 9;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "--runs") runs = std::max(1, std::atoi(argv[i + 1]));
    const fs::path dir = fs::temp_directory_path() / ("vb-bench-pages-" + std::to_string(::getpid()));
    fs::create_directories(dir / "help");
    const fs::path page = dir / "help" / "large.texx";
    WriteLargestPage(page);
    double load[3] = {0, 0, 0};
    if (::getloadavg(load, 3) < 0) load[0] = -1;
    std::printf("page of %d x %d data cells, %.1f MiB; load average %.2f %.2f %.2f; %d runs\n",
                viewer::kMaxPageDataCells, viewer::kMaxPageDataCells,
                static_cast<double>(fs::file_size(page)) / (1 << 20), load[0], load[1], load[2], runs);

    viewer::MemoryPage memory;
    viewer::CellCommandTable commands;
    Print("load into memory", Time(runs, [&] { viewer::LoadTexxPage(page.string(), memory, commands); }));
    Print("commands (after a fresh load each)", Time(runs, [&] {
              viewer::LoadTexxPage(page.string(), memory, commands);
              viewer::EvaluateCellCommands(memory, commands);
          }));
    size_t ops = 0;
    std::fflush(stdout);
    Print("drawing plans of every cell", Time(runs, [&] {
              for (int c = 1; c < memory.ColCount(); ++c)
                  for (int r = 1; r < memory.RowCount(); ++r)
                      ops += viewer::PlanCellDrawing(memory.Attributes(c, r), commands.At(c, r), {0, 0, 60, 18})
                                 .ops.size();
          }));

    // The window on a minimal installation beside the page, under the desktop's own look, which
    // needs no skin bitmaps.
    fs::create_directories(dir / "skins/Windows");
    platform::WriteFileAtomically(dir / "skins/skin_select.txt", "Windows\r\n");
    platform::WriteFileAtomically(dir / "skins/Windows/color.ini", "[Editor]\r\n");
    platform::WriteFileAtomically(dir / "lang.txt", "Bench\r\n");
    platform::WriteFileAtomically(dir / "update.lasx", "x\r\nx\r\nx\r\n20180101\r\n");
    platform::WriteFileAtomically(dir / "VantorBooks", "");
    viewerbench::PrepareRun(dir);
    QApplication app(argc, argv);
    int errors = 0;
    std::unique_ptr<TForm1> form = viewerbench::OpenViewer(dir, errors);
    if (!form) return 1;
    form->Panel1->setGeometry(10, 10, 980, 700);
    form->StringGrid1->setGeometry(0, 0, 980, 700);
    form->Panel1->show();
    form->StringGrid1->show();
    form->SetCurrentTexxFile(page.string());
    Print("window: load (N211)", Time(runs, [&] { form->N211->trigger(); }));
    Print("window: load and commands (N211, N231)", Time(runs, [&] {
              form->N211->trigger();
              form->N231->trigger();
          }));
    Print("window: repaint of the visible cells", Time(runs, [&] { form->StringGrid1->viewport()->grab(); }));
    std::printf("%zu drawing steps planned; %d error boxes\n", ops, errors);
    form.reset();
    fs::remove_all(dir);
    return errors == 0 ? 0 : 1;
}
