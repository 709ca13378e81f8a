#include "app/gui/QtFileChooser.h"
#include "app/gui/Namespace.h"

#include <QFileDialog>
#include <QStringList>

namespace dedezuviv::gui {

QString QtFileFilter(const std::string& filter)
{
    const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
    if (parts.size() < 2)
        return parts.value(0);
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& text = parts[i];
        const QString patterns = QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' '));
        // Qt reads the patterns from the brackets of the text; add them when the text has none.
        filters << (text.contains(QLatin1Char('(')) ? text : text + QStringLiteral(" (") + patterns + QStringLiteral(")"));
    }
    return filters.join(QStringLiteral(";;"));
}

std::string TQtFileChooser::ChooseOpenFile(const std::string& title, const std::string& filter)
{
    QFileDialog dialog(Parent, QString::fromStdString(title), QString(), QtFileFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::string();
    return dialog.selectedFiles().constFirst().toStdString();
}

std::string TQtFileChooser::ChooseSaveFile(const std::string& title, const std::string& filter,
                                           const std::string& defaultExtension)
{
    QFileDialog dialog(Parent, QString::fromStdString(title), QString(), QtFileFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QString::fromStdString(defaultExtension));
    // Qt's dialog asks before an existing file is overwritten unless told otherwise.
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::string();
    return dialog.selectedFiles().constFirst().toStdString();
}

std::string TQtFileChooser::ChooseFolder(const std::string& title, const std::string& root)
{
    const QString folder = QFileDialog::getExistingDirectory(Parent, QString::fromStdString(title),
                                                             QString::fromStdString(root), QFileDialog::ShowDirsOnly);
    return folder.toStdString();
}

}  // namespace dedezuviv::gui
