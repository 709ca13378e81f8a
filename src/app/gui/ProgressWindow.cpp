#include "app/gui/ProgressWindow.h"

#include "base/MainThread.h"
#include "app/gui/Namespace.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QPushButton>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>

#include <cmath>

namespace dedezuviv::gui {

TLogBox::TLogBox(QWidget* mainWindow) : QDialog(mainWindow), MainWindow(mainWindow)
{
    setWindowTitle(QStringLiteral("Fortschritt"));
    auto* layout = new QVBoxLayout(this);
    Bar = new QProgressBar(this);
    Bar->setRange(0, 100);
    TextArea = new QPlainTextEdit(this);
    TextArea->setReadOnly(true);
    TextArea->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    TextArea->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    layout->addWidget(Bar);
    layout->addWidget(TextArea);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    CancelButton = new QPushButton(QStringLiteral("Abbrechen"), this);
    CancelButton->setAutoDefault(false);
    buttons->addWidget(CancelButton);
    layout->addLayout(buttons);
    CancelButton->hide();
    connect(CancelButton, &QPushButton::clicked, this, [this] { RequestCancel(); });
    resize(420, 300);
}

void TLogBox::AddLine(const std::string& text)
{
    TextArea->appendPlainText(QString::fromStdString(text));
}

void TLogBox::AppendToLastLine(const std::string& text)
{
    QTextCursor cursor = TextArea->textCursor();
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(QString::fromStdString(text));
}

void TLogBox::SetProgress(double percent)
{
    long position = std::lround(percent) + 1;
    if (position > 100)
        position = 100;
    if (position < 0)
        position = 0;
    Bar->setValue(static_cast<int>(position));
    ProcessMessages();
}

int TLogBox::Position() const { return Bar->value(); }

QString TLogBox::Text() const { return TextArea->toPlainText(); }

void TLogBox::Open()
{
    if (!CursorSet) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        CursorSet = true;
    }
    TextArea->clear();
    Cancelling = false;
    CancelButton->setEnabled(true);
    if (MainWindow)
        MainWindow->setEnabled(false);
    // The box itself stays usable while its parent is disabled.
    setEnabled(true);
    show();
    SetProgress(0);
}

void TLogBox::Close()
{
    hide();
    if (CursorSet) {
        QApplication::restoreOverrideCursor();
        CursorSet = false;
    }
    if (MainWindow)
        MainWindow->setEnabled(true);
}

void TLogBox::SetCancelable(bool cancelable)
{
    Cancelable = cancelable;
    CancelButton->setVisible(cancelable);
    CancelButton->setEnabled(cancelable && !Cancelling);
}

void TLogBox::RequestCancel()
{
    if (!Cancelable || Cancelling)
        return;
    Cancelling = true;
    CancelButton->setEnabled(false);
    AddLine("Abbruch angefordert, die laufende Datei wird noch fertig geschrieben ...");
}

void TLogBox::reject()
{
    // The operation closes the box when it ends; until then Escape only asks it to stop.
    RequestCancel();
}

void TLogBox::closeEvent(QCloseEvent* event)
{
    RequestCancel();
    event->ignore();
}

}  // namespace dedezuviv::gui
