// The menu bar as the window orders it: the menus in order and the captions of each in order. Every
// entry starts disabled, without shortcut and handler, until a menu row fills it. A row that names
// no entry of the layout, an entry filled twice and (after all rows are in) an entry no row filled
// are programming errors: they throw std::logic_error naming the caption, and nothing catches it, so
// the program does not start with a menu that differs from its layout.
#pragma once

#include "app/gui/MenuRow.h"
#include "app/gui/Namespace.h"

#include <QString>

#include <cstddef>
#include <vector>

class QAction;
class QMenuBar;
class QObject;

namespace dedezuviv::gui {

class TMenuLayout {
public:
    struct TMenu {
        QString Title;
        std::vector<QString> Captions;
    };

    // Builds the menus on Bar; the handlers' connections belong to Context.
    TMenuLayout(QMenuBar& bar, const std::vector<TMenu>& menus, QObject& context);

    // Gives the row's entry its shortcut and handler and enables it. Returns the entry.
    QAction* Fill(const TMenuRow& row);
    // Throws when an entry has not been filled, naming every such entry.
    void CheckComplete() const;
    // The entry of the layout, or null.
    QAction* Entry(const QString& menu, const QString& caption) const;

private:
    struct TEntry {
        QString Menu;
        QAction* Action = nullptr;
        bool Filled = false;
    };
    // The index of the entry; Entries.size() when there is none.
    size_t Find(const QString& menu, const QString& caption) const;

    QObject& Context;
    std::vector<TEntry> Entries;
};

}  // namespace dedezuviv::gui
