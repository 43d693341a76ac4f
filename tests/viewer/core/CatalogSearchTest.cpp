// Guards the quick search over the catalog: the first hit in the order category, list,
// sub-list, book by a prefix that ignores letter case, where each level stands when the walk
// ends (hit, no hit, or a list file missing), and the kept list files, which are read again
// exactly when they changed on disk.
#include <gtest/gtest.h>

#include <chrono>

#include "CatalogSearch.h"
#include "TempDir.h"
#include "platform/CodePage.h"

using namespace viewer;
using testsupport::TempDir;

namespace {

using Strings = std::vector<std::string>;

// Города: lists "Список книг" (a heading) and "Север" (sub-lists "Список рассказов", "Тундра",
// "Тайга"). Реки: "Восток" (sub-list "Устье"). Горы: headings only.
struct Tree {
    TempDir dir;
    std::string programDir = dir.path().string() + "\\";
    Strings categories{"Города", "Реки", "Горы"};
    void Write(const std::string& rel, const std::string& utf8) const {
        testsupport::WriteFile(dir / rel, platform::Utf8ToBytes(utf8));
    }
    Tree() {
        Write("Города.txt", "Список книг\r\nСевер\r\n");
        Write("Города/Север.txt", "Список рассказов\r\nТундра\r\nТайга\r\n");
        Write("Города/Север/Тундра.txt", "Олень\r\nZebra crossing\r\nПикник\r\n");
        Write("Города/Север/Тайга.txt", "Пикник у реки\r\nЁлка\r\n");
        Write("Реки.txt", "Восток\r\n");
        Write("Реки/Восток.txt", "Устье\r\n");
        Write("Реки/Восток/Устье.txt", "Пикник на воде\r\nВолна\r\nПи\r\n");
        Write("Горы.txt", "Список рассказов\r\nСписок книг\r\n");
    }
};

struct Where {
    std::string category, list, subList;
    int hit;  // -1: none
};

Where Of(const QuickSearchResult& r) {
    return {r.category ? r.category->name : "-", r.list ? r.list->name : "-", r.subList ? r.subList->name : "-",
            r.hit.value_or(-1)};
}

}  // namespace

TEST(CatalogSearch, FirstHitInCatalogOrderIgnoringCase) {
    Tree t;
    CatalogSearch search;
    struct Case {
        const char* text;
        Where where;
    };
    const Case cases[] = {
        {"пик", {"Города", "Север", "Тундра", 2}},  // before "Пикник у реки" in the next sub-list
        {"ПИК", {"Города", "Север", "Тундра", 2}},
        {"Пикник", {"Города", "Север", "Тундра", 2}},
        {"пикник у", {"Города", "Север", "Тайга", 0}},
        {"ПИКНИК НА", {"Реки", "Восток", "Устье", 0}},  // a later category
        {"ZEB", {"Города", "Север", "Тундра", 1}},
        {"zebra c", {"Города", "Север", "Тундра", 1}},
        {"ёл", {"Города", "Север", "Тайга", 1}},
        {"Пи", {"Города", "Север", "Тундра", 2}},
        // No hit: every level at the last it loaded; Горы has no lists to load.
        {"пикник на водеее", {"Горы", "Восток", "Устье", -1}},
        {"Тундра", {"Горы", "Восток", "Устье", -1}},  // names of lists are no titles
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const QuickSearchResult r = search.Search(t.programDir, t.categories, c.text);
        const Where w = Of(r);
        EXPECT_EQ(w.category, c.where.category);
        EXPECT_EQ(w.list, c.where.list);
        EXPECT_EQ(w.subList, c.where.subList);
        EXPECT_EQ(w.hit, c.where.hit);
        EXPECT_FALSE(r.error);
    }
    const QuickSearchResult r = search.Search(t.programDir, t.categories, "пик");
    EXPECT_EQ(r.category->lists->items, (Strings{"Список книг", "Север"}));
    EXPECT_EQ(r.list->lists->items, (Strings{"Список рассказов", "Тундра", "Тайга"}));
    EXPECT_EQ(r.subList->lists->items, (Strings{"Олень", "Zebra crossing", "Пикник"}));
}

TEST(CatalogSearch, SearchTextAndPrefixRules) {
    EXPECT_FALSE(IsSearchText(""));
    EXPECT_FALSE(IsSearchText("Quick search"));
    EXPECT_TRUE(IsSearchText("quick search"));
    EXPECT_TRUE(IsSearchText("Поиск"));  // only Esc knows this one
    EXPECT_TRUE(TitleStartsWith("Пикник", "пИК"));
    EXPECT_FALSE(TitleStartsWith("Пик", "Пикник"));  // a shorter title never matches
    EXPECT_FALSE(TitleStartsWith("Ёлка", "ел"));      // Ё is its own letter
}

TEST(CatalogSearch, MissingListFileEndsTheWalkThere) {
    struct Case {
        const char* missing;
        const char* named;
        Where where;
    };
    const Case cases[] = {
        {"Реки.txt", "Реки.txt", {"Города", "Север", "Тайга", -1}},
        {"Города/Север.txt", "Север.txt", {"Города", "-", "-", -1}},
        {"Города/Север/Тайга.txt", "Тайга.txt", {"Города", "Север", "Тундра", -1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.missing);
        Tree t;
        std::filesystem::remove(t.dir / c.missing);
        CatalogSearch search;
        const QuickSearchResult r = search.Search(t.programDir, t.categories, "нет такой книги");
        ASSERT_TRUE(r.error);
        EXPECT_NE(std::string(r.error->what()).find(c.named), std::string::npos) << r.error->what();
        const Where w = Of(r);
        EXPECT_EQ(w.category, c.where.category);
        EXPECT_EQ(w.list, c.where.list);
        EXPECT_EQ(w.subList, c.where.subList);
        EXPECT_FALSE(r.hit);
    }
}

TEST(CatalogSearch, KeptFilesAreReadAgainExactlyWhenTheyChanged) {
    Tree t;
    CatalogSearch search(0);  // every file counts as settled at once
    search.Search(t.programDir, t.categories, "нет");
    const size_t all = search.files().FilesRead();
    EXPECT_EQ(all, 8u);  // every list file once
    search.Search(t.programDir, t.categories, "нет");
    EXPECT_EQ(search.files().FilesRead(), all);

    // Rewritten in place with another size.
    t.Write("Реки/Восток/Устье.txt", "Пикник на воде\r\nВолна\r\nПи\r\nНовая\r\n");
    EXPECT_EQ(Of(search.Search(t.programDir, t.categories, "нов")).hit, 3);
    EXPECT_EQ(search.files().FilesRead(), all + 1);

    // Replaced by another file of the same size and time, as an unpacked update may do.
    const std::filesystem::path file = t.dir / "Города/Север/Тундра.txt";
    const auto time = std::filesystem::last_write_time(file);
    const std::filesystem::path other = t.dir / "Тундра.new";
    testsupport::WriteFile(other, platform::Utf8ToBytes("Олень\r\nZebra crossing\r\nНовик\r\n"));
    std::filesystem::last_write_time(other, time);
    std::filesystem::rename(other, file);
    const Where w = Of(search.Search(t.programDir, t.categories, "нов"));
    EXPECT_EQ(w.subList, "Тундра");
    EXPECT_EQ(w.hit, 2);

    // A file gone is an error, not its old lines.
    std::filesystem::remove(file);
    EXPECT_TRUE(search.Search(t.programDir, t.categories, "нов").error);
}

TEST(ListFileCache, RecentlyChangedFileIsReadOnEveryLook) {
    TempDir dir;
    const auto file = dir / "list.txt";
    testsupport::WriteFile(file, "a\r\n");
    ListFileCache cache;  // the file was written just now
    cache.Load(file, false);
    cache.Load(file, false);
    EXPECT_EQ(cache.FilesRead(), 2u);

    ListFileCache settled(0);
    const auto lists = settled.Load(file, false);
    EXPECT_TRUE(lists->folded.empty());
    EXPECT_EQ(settled.Load(file, true)->folded, (Strings{"a"}));  // folded forms asked for later
    EXPECT_EQ(settled.Load(file, false)->items, (Strings{"a"}));
    EXPECT_EQ(settled.FilesRead(), 2u);
}
