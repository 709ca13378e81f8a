#include "app/gui/AboutBox.h"

#include "base/AppGlobals.h"
#include "base/BuildInfo.h"
#include "app/gui/Namespace.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace dedezuviv::gui {

TAboutBoxDlg::TAboutBoxDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Information"));
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(QString::fromStdString(ProgramTitle), this);
    QFont font = title->font();
    font.setBold(true);
    font.setPointSize(font.pointSize() + 4);
    title->setFont(font);
    layout->addWidget(title);
    layout->addWidget(new QLabel(QStringLiteral("Version ") + QString::fromStdString(VersionWithCommit()), this));
    layout->addWidget(new QLabel(QString::fromStdString(CopyrightLine), this));
    layout->addWidget(new QLabel(QString::fromStdString(WebAddress), this));
    CommentMemo = new QPlainTextEdit(this);
    CommentMemo->setReadOnly(true);
    CommentMemo->setMinimumHeight(100);
    layout->addWidget(CommentMemo);
    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(OKButton);
    resize(420, 320);
}

void TAboutBoxDlg::ShowAsSplash()
{
    OKButton->setText(QStringLiteral("Bitte warten ..."));
    OKButton->setEnabled(false);
    SavedCaption = windowTitle();
    setWindowTitle(QStringLiteral("Start ..."));
    CommentMemo->clear();
    setModal(false);
    show();
    repaint();
}

void TAboutBoxDlg::AddStartupLine(const QString& text)
{
    CommentMemo->appendPlainText(text);
    CommentMemo->repaint();
    repaint();
}

void TAboutBoxDlg::EndSplash()
{
    hide();
    OKButton->setText(QStringLiteral("OK"));
    OKButton->setEnabled(true);
    if (!SavedCaption.isEmpty())
        setWindowTitle(SavedCaption);
}

QString TAboutBoxDlg::CommentText() const { return CommentMemo->toPlainText(); }

}  // namespace dedezuviv::gui
