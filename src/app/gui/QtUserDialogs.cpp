#include "app/gui/QtUserDialogs.h"

#include "base/AppGlobals.h"
#include "app/gui/Namespace.h"

#include <QMessageBox>

namespace dedezuviv::gui {

namespace {

// Line breaks of composed messages are LF CR; a message box shows one break per pair.
QString BoxText(const std::string& text)
{
    QString result = QString::fromStdString(text);
    result.replace(QStringLiteral("\n\r"), QStringLiteral("\n"));
    result.replace(QChar('\r'), QChar('\n'));
    return result;
}

}  // namespace

TDialogAnswer TQtUserDialogs::Ask(const std::string& text, bool withCancel)
{
    QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No;
    if (withCancel)
        buttons |= QMessageBox::Cancel;
    const auto answer = QMessageBox::question(Parent, QString::fromStdString(ProgramTitle), BoxText(text), buttons,
                                              QMessageBox::Yes);
    if (answer == QMessageBox::Yes)
        return TDialogAnswer::Yes;
    if (answer == QMessageBox::No)
        return TDialogAnswer::No;
    return withCancel ? TDialogAnswer::Cancel : TDialogAnswer::No;
}

void TQtUserDialogs::Inform(const std::string& text)
{
    QMessageBox::information(Parent, QString::fromStdString(ProgramTitle), BoxText(text));
}

void TQtUserDialogs::Error(const std::string& text)
{
    QMessageBox::critical(Parent, QString::fromStdString(ProgramTitle), BoxText(text));
}

}  // namespace dedezuviv::gui
