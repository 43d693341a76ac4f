// The pictures the page cells draw, decoded once per page: a repaint takes them from here.
// A file that is missing or is no bitmap is remembered as absent, so it costs nothing and
// shows no error on the next repaint either.
#pragma once

#include <QImage>
#include <QObject>

#include <string>
#include <unordered_map>

namespace viewerui {

class PagePictures : public QObject {
    Q_OBJECT
public:
    explicit PagePictures(QObject* parent) : QObject(parent) { setObjectName(QStringLiteral("PagePictures")); }
    // The picture of a file named in the program's path form; a null image when there is none.
    const QImage& Picture(const std::string& file);
    void Clear() { pictures_.clear(); }  // a page load reads its pictures afresh
    int Reads() const { return reads_; }  // files read since the start, for tests

private:
    std::unordered_map<std::string, QImage> pictures_;
    int reads_ = 0;
};

}  // namespace viewerui
