#include "app/gui/FloatEdit.h"

#include "base/FormatSettings.h"
#include "base/NumberText.h"
#include "model/UiInterfaces.h"
#include "app/gui/Namespace.h"

#include <QApplication>
#include <QKeyEvent>

namespace dedezuviv::gui {

TFloatEdit::TFloatEdit(QWidget* parent) : QLineEdit(parent) {}

double TFloatEdit::GetValue()
{
    const QString shown = text();
    if (shown.isEmpty() || shown == QStringLiteral("-"))
        return 0;
    double value = 0;
    if (TryTextToFloat(shown.toStdString(), FormatSettings().DecimalSeparator, value))
        return value;
    // The conversion error's class and message, separated by a CR.
    ShowError("EConvertError\r'" + shown.toStdString() + "' ist kein gültiger Gleitkommawert");
    return 0;
}

void TFloatEdit::SetValue(double value) { setText(QString::fromStdString(FloatToStr(value))); }

void TFloatEdit::KeyPress(QChar& key)
{
    const QChar separator = QChar::fromLatin1(FormatSettings().DecimalSeparator);
    const ushort code = key.unicode();
    const bool allowed = code < 32 || key == QLatin1Char('+') || key == QLatin1Char('-') ||
                         (key >= QLatin1Char('0') && key <= QLatin1Char('9')) ||
                         (key == separator && !text().contains(separator));
    if (allowed)
        return;
    key = QChar();
    QApplication::beep();
}

void TFloatEdit::keyPressEvent(QKeyEvent* event)
{
    // Keys without a character (arrows, Delete, Home, ...) and shortcuts keep their usual meaning.
    const QString typed = event->text();
    if (typed.size() == 1) {
        QChar key = typed.at(0);
        KeyPress(key);
        if (key.isNull()) {
            event->accept();
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}

}  // namespace dedezuviv::gui
