// The progress window "Fortschritt" of long operations: a bar above a text area. While it is shown
// the main window is disabled and the busy cursor is on.
#pragma once

#include "model/UiInterfaces.h"

#include <QDialog>

class QPlainTextEdit;
class QProgressBar;

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

private:
    QWidget* MainWindow;
    QProgressBar* Bar;
    QPlainTextEdit* TextArea;
    bool CursorSet = false;
};
