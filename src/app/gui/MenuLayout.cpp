#include "app/gui/MenuLayout.h"

#include "base/MainThread.h"
#include "app/gui/Namespace.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include <stdexcept>
#include <string>

namespace dedezuviv::gui {

namespace {

std::string EntryName(const QString& menu, const QString& caption)
{
    return "\"" + menu.toStdString() + "\" > \"" + caption.toStdString() + "\"";
}

}  // namespace

TMenuLayout::TMenuLayout(QMenuBar& bar, const std::vector<TMenu>& menus, QObject& context) : Context(context)
{
    for (const TMenu& layout : menus) {
        QMenu* menu = bar.addMenu(layout.Title);
        for (const QString& caption : layout.Captions) {
            QAction* action = menu->addAction(caption);
            action->setEnabled(false);
            Entries.push_back({layout.Title, action, false});
        }
    }
}

size_t TMenuLayout::Find(const QString& menu, const QString& caption) const
{
    for (size_t i = 0; i < Entries.size(); ++i)
        if (Entries[i].Menu == menu && Entries[i].Action->text() == caption)
            return i;
    return Entries.size();
}

QAction* TMenuLayout::Entry(const QString& menu, const QString& caption) const
{
    const size_t index = Find(menu, caption);
    return index < Entries.size() ? Entries[index].Action : nullptr;
}

QAction* TMenuLayout::Fill(const TMenuRow& row)
{
    const size_t index = Find(row.Menu, row.Caption);
    if (index == Entries.size())
        throw std::logic_error("menu row " + EntryName(row.Menu, row.Caption) + " is not in the window's menu layout");
    TEntry& entry = Entries[index];
    if (entry.Filled)
        throw std::logic_error("menu entry " + EntryName(row.Menu, row.Caption) + " is filled by two rows");
    entry.Filled = true;
    QAction* action = entry.Action;
    if (!row.Shortcut.isEmpty())
        action->setShortcut(row.Shortcut);
    QObject::connect(action, &QAction::triggered, &Context,
                     [handler = row.Handler] { RunHandlerLoggingExceptions(handler); });
    action->setEnabled(true);
    return action;
}

void TMenuLayout::CheckComplete() const
{
    std::string missing;
    for (const TEntry& entry : Entries)
        if (!entry.Filled)
            missing += (missing.empty() ? "" : ", ") + EntryName(entry.Menu, entry.Action->text());
    if (!missing.empty())
        throw std::logic_error("menu entries without a row: " + missing);
}

}  // namespace dedezuviv::gui
