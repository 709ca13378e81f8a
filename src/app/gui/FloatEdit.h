// A line edit for a decimal number in the locale's form: typing lets through only digits, signs, one
// decimal separator and control keys; other keys beep.
#pragma once

#include "app/gui/Namespace.h"

#include <QLineEdit>

namespace dedezuviv::gui {

class TFloatEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TFloatEdit(QWidget* parent = nullptr);

    // Empty text and "-" are 0; text that is no number shows the conversion error and gives 0.
    double GetValue();
    // The shortest general form of X in the locale ("0" for 0).
    void SetValue(double value);
    // Decides about a typed character: it stays when allowed (control characters, "+", "-", digits,
    // the decimal separator while the text has none); otherwise it becomes the null character and
    // the warning beep sounds.
    void KeyPress(QChar& key);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace dedezuviv::gui
