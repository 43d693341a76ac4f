// Drives the quick search offscreen on an installation made by vb_make_installation and
// prints the time of one keystroke (the search handler, the lists filled, the hit's book
// shown, and the changed widgets painted; with the whole window painted anew beside it):
//   vb_bench_search INSTALL_DIR [--runs N]
// - the first search of the run, a text found nowhere, so the whole catalog is read; the
//   list files are dropped from the page cache first, so the disk is read too (target 2 s);
// - later searches for texts found nowhere, walking the whole catalog (target 50 ms median);
// - searches whose hit is in the first category: in its first sub-list (target 5 ms), and
//   at the end of the category.
#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "Catalog.h"
#include "CatalogSearch.h"
#include "Dialogs.h"
#include "Startup.h"
#include "TForm1.h"
#include "ViewerBench.h"

namespace fs = std::filesystem;
using namespace viewerbench;

namespace {

// Asks the kernel to forget the cached pages of a file (clean pages only; nothing is lost).
void Evict(const fs::path& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    ::close(fd);
}

struct Keystroke {
    double handlerMs = 0;
    double totalMs = 0;      // handler, then the window paints what the keystroke changed
    double fullPaintMs = 0;  // handler, then the whole window painted anew
};

// One keystroke: the box's text changes, the handler runs, then the event loop paints the
// widgets it changed, as after a real key. The whole window is then painted once more, for the
// figure of a keystroke whose paint reaches every widget.
Keystroke Press(TForm1& form, const std::string& text) {
    const auto start = Clock::now();
    form.Edit3->setText(QString::fromStdString(text));
    const auto handled = Clock::now();
    Settle();
    const auto painted = Clock::now();
    form.repaint();
    const auto repainted = Clock::now();
    return {Ms(handled - start), Ms(painted - start), Ms(handled - start) + Ms(repainted - painted)};
}

}  // namespace

int main(int argc, char** argv) {
    InstallationRun run(argc, argv, "--runs", 41);
    if (!run.form) return argc < 2 ? 2 : 1;
    TForm1& form = *run.form;
    const int runs = run.count();

    // Every list file the search reads, and the last book of the first category.
    std::vector<std::string> categories;
    for (int c = 0; c < form.ListBox8->count(); ++c) categories.push_back(form.ListBox8->item(c)->text().toStdString());
    std::vector<fs::path> files;
    std::string lastOfFirstCategory;
    size_t books = 0;
    for (size_t c = 0; c < categories.size(); ++c) {
        files.push_back(viewer::CategoryFile(form.Config().ProgramDir, categories[c]));
        for (const auto& list : viewer::LoadListFile(files.back())) {
            if (viewer::IsSpecialItem(list)) continue;
            files.push_back(viewer::ListFile(form.Config().ProgramDir, categories[c], list));
            for (const auto& sub : viewer::LoadListFile(files.back())) {
                if (viewer::IsSpecialItem(sub)) continue;
                files.push_back(viewer::SubListFile({form.Config().ProgramDir, categories[c], list, sub}));
                const auto titles = viewer::LoadListFile(files.back());
                books += titles.size();
                if (c == 0 && !titles.empty()) lastOfFirstCategory = titles.back();
            }
        }
    }
    std::printf("%zu books in %zu list files\n", books, files.size());
    for (const auto& file : files) Evict(file);

    const Keystroke first = Press(form, "яяя");
    if (form.Edit1->text().size() != 0 || form.Navigation().CurrentCategory != categories.back()) {
        std::fprintf(stderr, "the first search should find nothing and end in the last category\n");
        return 1;
    }
    std::printf("first search, nothing found, list files not in the page cache: %.1f ms (handler %.1f ms)"
                "  [target < 2000 ms]\n",
                first.totalMs, first.handlerMs);

    std::vector<double> missMs, missHandlerMs;
    for (int i = 0; i < runs; ++i) {
        const Keystroke k = Press(form, "яяя" + std::to_string(i));
        missMs.push_back(k.totalMs);
        missHandlerMs.push_back(k.handlerMs);
    }
    const Stats miss = Summarise(missMs), missHandler = Summarise(missHandlerMs);
    std::printf("later searches, nothing found (whole catalog walked), %d keystrokes: median %.2f ms, p90 %.2f ms,"
                " max %.2f ms  [target < 50 ms]\n",
                runs, miss.median, miss.p90, miss.max);
    std::printf("  handler alone: median %.2f ms\n", missHandler.median);

    // Hits in the first sub-list of the first category: "Книга 1" to "Книга 9" and on.
    std::vector<double> hitMs, hitHandlerMs, hitFullMs;
    for (int i = 0; i < runs; ++i) {
        const Keystroke k = Press(form, "Книга " + std::to_string(1 + i % 9));
        if (form.Navigation().CurrentCategory != categories.front()) {
            std::fprintf(stderr, "expected a hit in the first category\n");
            return 1;
        }
        hitMs.push_back(k.totalMs);
        hitHandlerMs.push_back(k.handlerMs);
        hitFullMs.push_back(k.fullPaintMs);
        Press(form, "яяя");  // away again, so each hit fills the lists anew
    }
    const Stats hit = Summarise(hitMs), hitHandler = Summarise(hitHandlerMs), hitFull = Summarise(hitFullMs);
    std::printf("hit in the first sub-list of the first category (book shown), %d keystrokes: median %.2f ms,"
                " p90 %.2f ms, max %.2f ms  [target < 5 ms]\n",
                runs, hit.median, hit.p90, hit.max);
    std::printf("  handler alone: median %.2f ms; with the whole window painted anew: median %.2f ms\n",
                hitHandler.median, hitFull.median);

    std::vector<double> endMs;
    for (int i = 0; i < std::min(runs, 11); ++i) {
        endMs.push_back(Press(form, lastOfFirstCategory).totalMs);
        if (form.Edit1->text().toStdString() != lastOfFirstCategory) {
            std::fprintf(stderr, "expected \"%s\" to be found\n", lastOfFirstCategory.c_str());
            return 1;
        }
        Press(form, "яяя");
    }
    std::printf("hit at the end of the first category (\"%s\"): median %.2f ms\n", lastOfFirstCategory.c_str(),
                Summarise(endMs).median);

    // The walk alone, without the window, on a fresh cache (files in the page cache now).
    viewer::CatalogSearch fresh;
    const auto coreStart = Clock::now();
    fresh.Search(form.Config().ProgramDir, categories, "яяя");
    const double coreFirst = Ms(Clock::now() - coreStart);
    std::vector<double> coreMs;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        fresh.Search(form.Config().ProgramDir, categories, "яяя");
        coreMs.push_back(Ms(Clock::now() - start));
    }
    std::printf("core walk alone: first %.1f ms (page cache warm, %zu files read), later median %.2f ms"
                " (%zu files read in all)\n",
                coreFirst, files.size(), Summarise(coreMs).median, fresh.files().FilesRead());
    return run.Finish();
}
