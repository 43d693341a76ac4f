// Drives the viewer's catalog handlers offscreen on an installation made by
// vb_make_installation and prints their times:
//   vb_bench_catalog INSTALL_DIR [--picks N]
// - picking a book: ListBox1Click on books spread over many sub-lists, with the window
//   painted afterwards (cover included); the median is the figure that counts (target 16 ms);
// - the merged story index of the list with the most story lines, built through its
//   "Список рассказов" item (target 100 ms), and the core routine alone.
#include <QApplication>
#include <QListWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "Catalog.h"
#include "Dialogs.h"
#include "Startup.h"
#include "TForm1.h"
#include "ViewerBench.h"

namespace fs = std::filesystem;
using namespace viewerbench;

namespace {

bool Pick(QListWidget* list, const std::string& text) {
    const auto found = list->findItems(QString::fromStdString(text), Qt::MatchExactly);
    if (found.isEmpty()) return false;
    list->setCurrentItem(found.front());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    InstallationRun run(argc, argv, "--picks", 400);
    if (!run.form) return argc < 2 ? 2 : 1;
    TForm1& form = *run.form;
    const int picks = run.count();

    // Every list, to find the one with the most story lines; sub-lists to pick books in.
    struct ListAt {
        std::string category, list;
        std::vector<std::string> subLists;
    };
    std::vector<ListAt> lists;
    for (int c = 0; c < form.ListBox8->count(); ++c) {
        const std::string category = form.ListBox8->item(c)->text().toStdString();
        for (const auto& list : viewer::LoadListFile(viewer::CategoryFile(form.Config().ProgramDir, category))) {
            ListAt at{category, list, {}};
            for (const auto& sub : viewer::LoadListFile(viewer::ListFile(form.Config().ProgramDir, category, list)))
                if (!viewer::IsSpecialItem(sub)) at.subLists.push_back(sub);
            lists.push_back(std::move(at));
        }
    }

    // Book picks: one book in each of many sub-lists across all lists, then the rest of
    // those sub-lists' books, so both first looks into a folder and later ones are counted.
    std::vector<double> pickMs, pickHandlerMs, firstInSubListMs;
    const size_t subListsToVisit = std::max<size_t>(1, static_cast<size_t>(picks) / 20);
    size_t visited = 0;
    for (size_t i = 0; visited < subListsToVisit && i < lists.size() * 64; ++i) {
        const ListAt& at = lists[i % lists.size()];
        const size_t subIndex = (i / lists.size()) * 7 % at.subLists.size();
        if (!Pick(form.ListBox8, at.category)) continue;
        form.ListBox8Click();
        if (!Pick(form.ListBox2, at.list)) continue;
        form.ListBox2Click();
        if (!Pick(form.ListBox9, at.subLists[subIndex])) continue;
        form.ListBox9Click();
        Settle();
        ++visited;
        const int books = form.ListBox1->count();
        for (int b = 0; b < books && b < 20; ++b) {
            form.ListBox1->setCurrentRow((b * 13) % books);
            const auto start = Clock::now();
            form.ListBox1Click();
            const auto handled = Clock::now();
            form.repaint();
            Settle();
            const auto painted = Clock::now();
            (b == 0 ? firstInSubListMs : pickMs).push_back(Ms(painted - start));
            pickHandlerMs.push_back(Ms(handled - start));
        }
    }
    const Stats pick = Summarise(pickMs), handler = Summarise(pickHandlerMs), first = Summarise(firstInSubListMs);
    std::printf("book pick (handler + paint), %zu picks: median %.2f ms, p90 %.2f ms, max %.2f ms  [target < 16 ms]\n",
                pickMs.size(), pick.median, pick.p90, pick.max);
    std::printf("  first pick in a sub-list, %zu picks: median %.2f ms, max %.2f ms\n", firstInSubListMs.size(),
                first.median, first.max);
    std::printf("  handler alone: median %.2f ms\n", handler.median);

    // The story index of the list with the most story lines.
    size_t biggest = 0;
    size_t biggestLines = 0;
    for (size_t i = 0; i < lists.size(); ++i) {
        size_t lines = 0;
        for (const auto& sub : lists[i].subLists) {
            std::error_code ec;
            const fs::path files = viewer::DataPath(form.Config().ProgramDir,
                                                    lists[i].category + "\\" + lists[i].list + "\\" + sub + "\\Files");
            for (const auto& entry : fs::directory_iterator(files, ec)) {
                (void)entry;
                lines += viewer::kStoryLines;
            }
        }
        if (lines > biggestLines) {
            biggestLines = lines;
            biggest = i;
        }
    }
    const ListAt& big = lists[biggest];
    Pick(form.ListBox8, big.category);
    form.ListBox8Click();
    Pick(form.ListBox2, big.list);
    form.ListBox2Click();
    std::vector<double> indexMs, coreMs;
    std::vector<std::string> subItems;
    for (int i = 0; i < form.ListBox9->count(); ++i) subItems.push_back(form.ListBox9->item(i)->text().toStdString());
    for (int run = 0; run < 11; ++run) {
        Pick(form.ListBox9, std::string(viewer::kStoryIndexItem));
        const auto start = Clock::now();
        form.ListBox9Click();
        form.repaint();
        Settle();
        indexMs.push_back(Ms(Clock::now() - start));
        const auto coreStart = Clock::now();
        const auto index = viewer::BuildStoryIndex(form.Config().ProgramDir, big.category, big.list, subItems);
        coreMs.push_back(Ms(Clock::now() - coreStart));
        if (index.titles.empty()) return 1;
    }
    const Stats index = Summarise(indexMs), core = Summarise(coreMs);
    std::printf("story index of \"%s\": %zu story lines, %d distinct titles: median %.2f ms, max %.2f ms"
                "  [target < 100 ms]\n",
                big.list.c_str(), biggestLines, form.ListBox4->count(), index.median, index.max);
    std::printf("  core routine alone: median %.2f ms\n", core.median);
    return run.Finish();
}
