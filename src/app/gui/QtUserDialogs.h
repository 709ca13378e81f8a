// Message boxes of the program: questions, information and errors, all with the program's title.
#pragma once

#include "model/UiInterfaces.h"
#include "app/gui/Namespace.h"

class QWidget;

namespace dedezuviv::gui {

class TQtUserDialogs : public IUserDialogs {
public:
    explicit TQtUserDialogs(QWidget* parent) : Parent(parent) {}
    TDialogAnswer Ask(const std::string& text, bool withCancel) override;
    void Inform(const std::string& text) override;
    void Error(const std::string& text) override;

private:
    QWidget* Parent;
};

}  // namespace dedezuviv::gui
