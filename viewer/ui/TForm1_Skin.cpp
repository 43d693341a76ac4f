// Skins: the controls of the skin system, choosing a skin on the options panel, and the
// options panel's list of skins.
#include <QAction>
#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <stdexcept>

#include "ChromeImage.h"
#include "ClickLabel.h"
#include "Controls.h"
#include "QtBridge.h"
#include "SkinFiles.h"
#include "Startup.h"
#include "TForm1.h"
#include "TImagePlus.h"
#include "platform/TextFile.h"

using viewerui::Make;
using viewerui::MakeList;

void TForm1::buildSkinControls() {
    // The window's design font; the chrome's texts are written in it too.
    QFont form(QStringLiteral("MS Sans Serif"));
    form.setPointSize(8);
    setFont(form);

    Image3 = Make<ChromeImage>(this, "Image3", 0, 0, width(), height());
    Image3->hide();
    Image3->lower();

    Label12 = Make<QLabel>(this, "Label12", 10, 0, 200, 13);
    Label12->setText(QStringLiteral("Status: Wait"));
    Label12->hide();
    Label3 = Make<ClickLabel>(this, "Label3", 0, 0, 40, 13);
    Label3->setText(QStringLiteral("About"));
    Label4 = Make<ClickLabel>(this, "Label4", 0, 0, 40, 13);
    Label4->setText(QStringLiteral("Help"));
    for (ClickLabel* label : {Label2, Label3, Label4}) {
        label->setFont(Label2->font());
        label->adjustSize();
    }

    GroupBox1 = Make<QGroupBox>(ImagePlus5, "GroupBox1", 245, 70, 200, 200);
    GroupBox1->setTitle(QStringLiteral("Select skin:"));
    ListBox5 = MakeList(GroupBox1, "ListBox5", 8, 20, 184, 172);

    // The notices are as wide as their texts, so none is cut short.
    for (QLabel* notice : {static_cast<QLabel*>(Label6), static_cast<QLabel*>(Label10)}) notice->adjustSize();
    placeDesign();
}

void TForm1::connectSkinHandlers() {
    N31 = addRoutine("N31", "coord color", &TForm1::N31Click);
    N41 = addRoutine("N41", "coord color win", &TForm1::N41Click);
    N111 = addRoutine("N111", "111 - paint", &TForm1::N111Click);
    N121 = addRoutine("N121", "121", &TForm1::N121Click);
    bind(ListBox5, &QListWidget::itemClicked, &TForm1::ListBox5Click);
    bindMouse(Image3, &TForm1::Image3MouseDown, &TForm1::Image3MouseMove, &TForm1::Image3MouseUp);
    for (QWidget* watched :
         {static_cast<QWidget*>(StringGrid3), static_cast<QWidget*>(Label6), static_cast<QWidget*>(Label10)})
        watched->installEventFilter(this);
}

bool TForm1::skinEventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (watched == StringGrid3 && type == QEvent::Resize) fitDetailsColumns();
    if ((watched == Label6 || watched == Label10) && (type == QEvent::Show || type == QEvent::Hide)) placeNotices();
    return false;
}

void TForm1::N41Click() {}

// A skin is taken whole or not at all: its bitmaps and colours are read before the choice is
// saved, so a broken skin leaves the one in use and skin_select.txt as they were.
void TForm1::ListBox5Click() {
    const QListWidgetItem* picked = ListBox5->currentItem();
    if (!picked) return;
    const std::string name = S(picked->text());
    const auto selectFile = viewer::DataPath(config_.ProgramDir, "skins\\skin_select.txt");
    if (viewer::IsWindowsSkin(name)) {
        // Saved for the next start. The skin in use stays in use until then, with its
        // name, so what repaints it later still finds its files.
        platform::SaveLines(selectFile, {name});
        return;
    }

    viewerui::SkinBitmaps bitmaps;
    std::unique_ptr<platform::IniFile> color;
    try {
        bitmaps = viewerui::SkinBitmaps::LoadComplete(config_.ProgramDir, name);
        color = std::make_unique<platform::IniFile>(viewer::SkinFile(config_.ProgramDir, name, "color.ini"));
        viewer::ReadSkinColours(*color);
    } catch (const std::exception& e) {
        throw std::runtime_error("The skin \"" + name + "\" cannot be used. " + e.what());
    }
    platform::SaveLines(selectFile, {name});

    config_.SkinName = name;
    config_.SkinDir = config_.ProgramDir + "\\skins\\" + config_.SkinName + "\\";
    config_.ColorIni = std::move(color);
    chrome_.Bitmaps = std::move(bitmaps);
    chrome_.chromeLoaded = true;
    chrome_.buttonsLoaded = true;
    chrome_.CancelButtonBitmap = chrome_.Bitmaps.Get("b_cansel");
    N31Click();  // the options panel too, in the new skin's frame and colours
    N121Click();
}

void TForm1::loadSkinList() {
    ListBox5->clear();
    for (const auto& line : platform::LoadLines(viewer::DataPath(config_.ProgramDir, "skins\\skins.txt")))
        ListBox5->addItem(Q(line));
    const auto current = ListBox5->findItems(Q(config_.SkinName), Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (!current.isEmpty()) ListBox5->setCurrentItem(current.front());
}
