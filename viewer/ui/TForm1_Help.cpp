// The help page toggle: the help folder's start page on the floating panel, in the place of the
// options page, and closed again by the same toggle.
#include <QFrame>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QTableWidget>

#include "Panels.h"
#include "TForm1.h"

void TForm1::N0000931Click() {
    if (Panel1->isHidden() || PanelPage == viewer::kPanelOptions) {
        CurrentTexxFile = ProgramDir + "\\help\\" + "index.texx";
        N211Click();
        N231Click();
        ShowPanels(viewer::PanelChange::OpenBookPage);
        PanelPage = viewer::kPanelHelp;
        const int height = Memo2->y() + Memo2->height() - StringGrid3->y() - 50;
        Panel1->setGeometry(Edit3->x(), Edit3->y(), std::max(width() - 20, 0), std::max(height, 0));
        StringGrid1->setGeometry(0, 0, Panel1->width(), Panel1->height());
        for (QWidget* w : {static_cast<QWidget*>(Memo2), static_cast<QWidget*>(ListBox1),
                           static_cast<QWidget*>(ScrollBox1)})
            w->hide();
        paintPanelCloseButton("b_cansel");
    } else if (PanelPage == viewer::kPanelHelp) {
        ShowPanels(viewer::PanelChange::ClosePageByButton);
    }
}
