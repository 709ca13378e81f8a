// The progress window "Fortschritt" of long operations: a bar above a text area. While it is shown
// the main window is disabled and the busy cursor is on. Operations that can stop early (the batch
// export) show a button "Abbrechen" under the text; Escape and the window's close button then ask to
// stop as well, and the operation decides when (CancelRequested). Without it they do nothing: the box
// closes when its operation ends.
#pragma once

#include "model/UiInterfaces.h"
#include "app/gui/Namespace.h"

#include <QDialog>

class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace dedezuviv::gui {

class TLogBox : public QDialog, public IProgress {
    Q_OBJECT
public:
    explicit TLogBox(QWidget* mainWindow);

    void AddLine(const std::string& text) override;
    void AppendToLastLine(const std::string& text) override;
    // Bar position: percent rounded, plus 1, at most 100; then pending window events run.
    void SetProgress(double percent) override;
    int Position() const;
    QString Text() const;

    // Shows the window (busy cursor, main window disabled) and closes it again.
    void Open();
    void Close();

    // Shows or hides "Abbrechen" (hidden at construction); Open() clears an earlier request.
    void SetCancelable(bool cancelable);
    bool CancelRequested() const { return Cancelling; }
    // What "Abbrechen" does: notes the request, adds the line "Abbruch angefordert ..." and disables
    // the button.
    void RequestCancel();
    QPushButton* CancelButton = nullptr;

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* MainWindow;
    QProgressBar* Bar;
    QPlainTextEdit* TextArea;
    bool CursorSet = false;
    bool Cancelable = false;
    bool Cancelling = false;
};

}  // namespace dedezuviv::gui
