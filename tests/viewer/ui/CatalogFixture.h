// A small catalog tree for the window tests, on top of the minimal installation, and the
// helpers that drive the lists as a user would.
#pragma once

#include <QColor>
#include <QImage>
#include <QListWidget>
#include <QTest>

#include <filesystem>
#include <string>
#include <vector>

#include "Installation.h"
#include "QtBridge.h"
#include "platform/Shell.h"

namespace testsupport {

// A JPEG of two colour blocks, left and right, written at the highest quality.
inline void WriteJpeg(const std::filesystem::path& file, int width, int height, QColor left, QColor right) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) image.setPixel(x, y, (x < width / 2 ? left : right).rgb());
    std::filesystem::create_directories(file.parent_path());
    ASSERT_TRUE(image.save(Q(file), "JPG", 100));
}

// Фантастика: lists "Список рассказов" (ignored), "Звёздные миры" (with sub-lists) and
// "Нет файла" (no list file). Детективы holds the two special items only.
// Звёздные миры: "Список книг", "Первая" (books А, Б, В), "Вторая" (book Г), "Пустая"
// (no books), "Список рассказов", "Нет файла" (no sub-list file); its list-of-books page is
// one row of two cells, "Первая" and "Вторая".
inline void WriteCatalog(const Installation& inst) {
    inst.WriteMinimal();
    inst.Write("Фантастика.txt", "Список рассказов\r\nЗвёздные миры\r\nНет файла\r\n");
    inst.Write("Детективы.txt", "Список рассказов\r\nСписок книг\r\n");
    const std::string list = "Фантастика/Звёздные миры";
    inst.Write(list + ".txt", "Список книг\r\nПервая\r\nВторая\r\nПустая\r\nСписок рассказов\r\nНет файла\r\n");
    inst.Write(list + "/Первая.txt", "Книга А\r\nКнига Б\r\nКнига В\r\n");
    inst.Write(list + "/Вторая.txt", "Книга Г\r\n");
    inst.Write(list + "/Пустая.txt", "");
    inst.Write(list + "/books.texx", "3\r\n2\r\nongrid\r\nПервая\r\nВторая\r\nAAAM\r\n\r\n120\r\n200\r\n22\r\n");
    for (const char* subList : {"Первая", "Вторая"})
        WriteJpeg(inst.dir() / (list + "/" + subList + "/images/noti.jpg"), 40, 30, Qt::blue, Qt::blue);
    inst.Write(list + "/Первая/Files/Книга А.txt", "Ночь\r\nУтро\r\nДень\r\n");
    inst.Write(list + "/Первая/Files/Книга Б.txt", "утро\r\nВечер\r\n\r\n");
    inst.Write(list + "/Вторая/Files/Книга Г.txt", "Ночь\r\nЗакат\r\n1\r\n2\r\n3\r\n4\r\nСедьмая\r\n");
}

inline std::string SubList(const std::string& name) { return "Фантастика/Звёздные миры/" + name; }

inline std::vector<std::string> Texts(const QListWidget* list) {
    std::vector<std::string> out;
    for (int i = 0; i < list->count(); ++i) out.push_back(S(list->item(i)->text()));
    return out;
}

// Clicks the item with this text, as the mouse does.
inline void ClickItem(QListWidget* list, const char* text) {
    const auto found = list->findItems(QString::fromUtf8(text), Qt::MatchExactly);
    ASSERT_FALSE(found.isEmpty()) << text;
    list->scrollToItem(found.front());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(found.front()).center());
}

// The three upper lists walked with the mouse down to a sub-list of Фантастика / Звёздные миры.
inline void WalkToStarWorlds(QListWidget* categories, QListWidget* lists, QListWidget* subLists, const char* subList) {
    ClickItem(categories, "Фантастика");
    ClickItem(lists, "Звёздные миры");
    ClickItem(subLists, subList);
}

// Records what the shell would open, for the scope; with a cause given, every opening fails
// with it.
class RecordingOpener : public platform::ShellOpener {
public:
    explicit RecordingOpener(std::string failWith = {}) : failWith_(std::move(failWith)) {
        previous_ = platform::SetShellOpener(this);
    }
    ~RecordingOpener() override { platform::SetShellOpener(previous_); }
    void Open(const std::filesystem::path& document, platform::ShellFailure failed) override {
        opened.push_back(document);
        if (!failWith_.empty() && failed) failed(failWith_);
    }
    std::vector<std::filesystem::path> opened;

private:
    std::string failWith_;
    platform::ShellOpener* previous_ = nullptr;
};

}  // namespace testsupport
