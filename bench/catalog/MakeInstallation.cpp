// Writes a large synthetic installation for the catalog benchmark:
//   vb_make_installation OUT_DIR [--books N] [--sublists N] [--lists N]
// By default 100,000 books in 2,000 sub-lists of 60 lists in 3 categories, six stories per
// book drawn from a pool of 20,000 titles (so a list's story index has repeats to merge),
// story documents in docs\ for two thirds of the pool, and covers for nine books in ten.
// Covers are hard links to a few drawn pictures, so the tree stays small on disk. The skins
// are the sample's, "Classic" chosen.
#include <QGuiApplication>
#include <QImage>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "CoverPainter.h"
#include "platform/CodePage.h"

namespace fs = std::filesystem;

namespace {

struct Settings {
    fs::path out;
    int books = 100000;
    int subLists = 2000;
    int lists = 60;
    int categories = 3;
    int storyPool = 20000;
};

void WriteLines(const fs::path& file, const std::vector<std::string>& lines) {
    std::string bytes;
    for (const std::string& line : lines) bytes += platform::Utf8ToBytes(line) + "\r\n";
    std::ofstream f(file, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!f) {
        std::fprintf(stderr, "vb_make_installation: cannot write %s\n", file.c_str());
        std::exit(1);
    }
}

void Link(const fs::path& from, const fs::path& to) {
    std::error_code ec;
    fs::create_hard_link(from, to, ec);
    if (ec) fs::copy_file(from, to, fs::copy_options::overwrite_existing);
}

std::string Story(int i) {
    static const char* const kWords[] = {"Тихая", "Дальняя", "Последняя", "Ночная", "Звёздная", "Ледяная",
                                         "Старая", "Новая", "Чёрная", "Забытая"};
    static const char* const kNouns[] = {"гавань", "дорога", "станция", "планета", "река", "башня",
                                         "граница", "тайна", "экспедиция", "орбита"};
    return std::string(kWords[i % 10]) + " " + kNouns[(i / 10) % 10] + " " + std::to_string(i);
}

}  // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    Settings s;
    if (argc < 2) {
        std::fprintf(stderr, "usage: vb_make_installation OUT_DIR [--books N] [--sublists N] [--lists N]\n");
        return 2;
    }
    s.out = argv[1];
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::string opt = argv[i];
        const int value = std::atoi(argv[i + 1]);
        if (opt == "--books") s.books = value;
        else if (opt == "--sublists") s.subLists = value;
        else if (opt == "--lists") s.lists = value;
        else {
            std::fprintf(stderr, "vb_make_installation: unknown option %s\n", opt.c_str());
            return 2;
        }
    }
    if (s.books < 1 || s.subLists < 1 || s.lists < 1 || s.lists > s.subLists || s.subLists > s.books) {
        std::fprintf(stderr, "vb_make_installation: need books >= sub-lists >= lists >= 1\n");
        return 2;
    }
    s.categories = std::min(s.categories, s.lists);

    fs::create_directories(s.out / "docs");
    std::error_code ec;
    fs::copy(fs::path(VB_SAMPLE_DIR) / "skins", s.out / "skins",
             fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
    if (ec) {
        std::fprintf(stderr, "vb_make_installation: cannot copy the sample's skins: %s\n", ec.message().c_str());
        return 1;
    }
    WriteLines(s.out / "skins" / "skin_select.txt", {"Classic"});
    WriteLines(s.out / "update.lasx", {"VantorBooks", "1", "0", "20180802", "0", "0", "0", "0", "14", "0", "0", "0",
                                       "37", "0", "0", "1.42"});
    WriteLines(s.out / "VantorBooks", {});

    // A few drawn covers that every book's cover links to.
    const fs::path covers = s.out / "_covers";
    fs::create_directories(covers);
    std::vector<fs::path> coverFiles;
    for (int i = 0; i < 8; ++i) {
        const fs::path file = covers / ("cover" + std::to_string(i) + ".jpg");
        const QImage cover =
            covertool::PaintCover(QString::fromUtf8("Книга %1").arg(i), QStringLiteral("Синтетическая серия"),
                                  QSize(200, 300));
        if (!cover.save(QString::fromStdString(file.string()), "JPG", 82)) return 1;
        coverFiles.push_back(file);
    }

    // Story documents for two of every three titles of the pool.
    for (int i = 0; i < s.storyPool; ++i) {
        static const char* const kSets[][3] = {{".doc", nullptr, nullptr}, {".rtf", ".fb2", nullptr},
                                               {nullptr, nullptr, nullptr}};
        for (const char* ext : kSets[i % 3])
            if (ext) WriteLines(s.out / "docs" / (Story(i) + ext), {});
    }

    std::mt19937 random(20180819);
    std::vector<std::string> categories;
    for (int c = 0; c < s.categories; ++c) categories.push_back("Категория " + std::to_string(c + 1));
    WriteLines(s.out / "lang.txt", categories);

    std::vector<std::vector<std::string>> listsOf(static_cast<size_t>(s.categories));
    int bookNo = 0;
    for (int l = 0; l < s.lists; ++l) {
        const std::string category = categories[static_cast<size_t>(l % s.categories)];
        const std::string list = "Список " + std::to_string(l + 1);
        listsOf[static_cast<size_t>(l % s.categories)].push_back(list);
        const int firstSub = static_cast<int>(static_cast<long long>(l) * s.subLists / s.lists);
        const int endSub = static_cast<int>(static_cast<long long>(l + 1) * s.subLists / s.lists);
        std::vector<std::string> subItems = {"Список книг", "Список рассказов"};
        for (int sub = firstSub; sub < endSub; ++sub) {
            const std::string subList = "Раздел " + std::to_string(sub + 1);
            subItems.push_back(subList);
            const fs::path folder = s.out / category / list / subList;
            for (const char* part : {"Files", "Books/moreinfo", "Books/Doc", "images"})
                fs::create_directories(folder / part);
            Link(coverFiles[static_cast<size_t>(sub) % coverFiles.size()], folder / "images" / "noti.jpg");
            const int firstBook = static_cast<int>(static_cast<long long>(sub) * s.books / s.subLists);
            const int endBook = static_cast<int>(static_cast<long long>(sub + 1) * s.books / s.subLists);
            std::vector<std::string> titles;
            for (int b = firstBook; b < endBook; ++b, ++bookNo) {
                const std::string title = "Книга " + std::to_string(b + 1);
                titles.push_back(title);
                std::vector<std::string> stories;
                for (int k = 0; k < 6; ++k) stories.push_back(Story(static_cast<int>(random() % s.storyPool)));
                std::vector<std::string> file = stories;
                file.insert(file.end(), {"", "", ""});
                for (int k = 0; k < 6; ++k) file.push_back("Эпизод " + std::to_string(b * 6 + k));
                WriteLines(folder / "Files" / (title + ".txt"), file);
                std::vector<std::string> data = {"10000 экз.", "2001", "320", "", "5-17-000000-0", "5-7921-0000-0",
                                                 std::to_string(b + 1), "", ""};
                for (int k = 0; k < 6; ++k) data.push_back("Переводчик " + std::to_string(k + 1));
                data.insert(data.end(), {"", "", "", "", "The Title", "An Author"});
                WriteLines(folder / "Books" / (title + ".txt"), data);
                WriteLines(folder / "Books" / "moreinfo" / (title + ".txt"),
                           {"Описание книги " + std::to_string(b + 1) + ".", "Вторая строка описания."});
                if (b % 10 != 0)
                    Link(coverFiles[static_cast<size_t>(b) % coverFiles.size()], folder / "images" / (title + ".jpg"));
                if (b % 4 == 0) WriteLines(folder / "Books" / "Doc" / (stories[0] + ".doc"), {});
            }
            WriteLines(s.out / category / list / (subList + ".txt"), titles);
        }
        WriteLines(s.out / category / (list + ".txt"), subItems);
    }
    for (int c = 0; c < s.categories; ++c)
        WriteLines(s.out / (categories[static_cast<size_t>(c)] + ".txt"), listsOf[static_cast<size_t>(c)]);
    std::printf("%d books in %d sub-lists of %d lists written to %s\n", bookNo, s.subLists, s.lists, s.out.c_str());
    return 0;
}
