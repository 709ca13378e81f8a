// The information window: program name, version and credits. At start it serves as the splash,
// with the start-up lines below the product information.
#pragma once

#include "app/gui/Namespace.h"

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace dedezuviv::gui {

class TAboutBoxDlg : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBoxDlg(QWidget* parent);

    // Splash mode: caption "Start ...", button "Bitte warten ..." disabled, shown without being modal.
    void ShowAsSplash();
    void AddStartupLine(const QString& text);
    // Back to the About box of the "Info" menu.
    void EndSplash();
    QString CommentText() const;
    QPushButton* OkButton() const { return OKButton; }

private:
    QPlainTextEdit* CommentMemo;
    QPushButton* OKButton;
    QString SavedCaption;
};

}  // namespace dedezuviv::gui
