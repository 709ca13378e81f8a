// What the window's commands units need of the main window: the checks and refresh of the core
// actions (it is the device search's host itself), the parts of the window a command reads or shows,
// and the menus. Each commands unit declares its menu rows in its Install function and hands them
// over here; the window only orders the menus. The main window implements it; the units know nothing
// else of the window.
#pragma once

#include "app/core/AppSettings.h"
#include "app/core/DeviceActions.h"
#include "app/gui/MenuRow.h"
#include "app/gui/Namespace.h"

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

class QLabel;
class QWidget;

namespace dedezuviv::gui {

class TChartPage;
class TDataTableGrid;
class TLogBox;

class ICommandHost : public IDeviceCommandsHost {
public:
    // The parent of the commands' dialogs (one of a kind, WindowDialog) and of their helper objects.
    virtual QWidget& DialogParent() = 0;
    // The progress window of long commands.
    virtual TLogBox& ProgressWindow() = 0;
    // The tab "Grafik", and bringing it to the front.
    virtual TChartPage& ChartTab() = 0;
    virtual void ShowChartTab() = 0;
    // The grid of the tab "Tabelle" and the project's name, comment and folder labels above it.
    virtual TDataTableGrid& TableGrid() = 0;
    virtual std::array<QLabel*, 3> ProjectLabels() = 0;
    // The field selection last chosen in the plot or export dialog.
    virtual int32_t SelectionIndex() const = 0;
    virtual void SetSelectionIndex(int32_t index) = 0;
    // The common first half of "Laufende Messung anhalten und exportieren/grafisch auswerten": checks
    // that a measurement was recorded and stops logging. True when the export or chart may follow.
    virtual bool StopAndEvaluate() = 0;
    // What the settings file keeps of the window.
    virtual TAppSettings CurrentAppSettings() const = 0;

    // Fills the window's menu entries with the rows. A row whose caption is not in its menu's layout,
    // or that fills an entry a second time, is a programming error: it throws std::logic_error naming
    // the caption, so the program does not start with a menu that differs from its layout.
    virtual void AddMenuRows(const std::vector<TMenuRow>& rows) = 0;
    // The two commands the window itself calls: saving the project when it closes, and the device
    // search when logging starts without a port.
    virtual void SetSaveProjectCommand(std::function<void()> command) = 0;
    virtual void SetDeviceSearchCommand(std::function<void()> command) = 0;
};

}  // namespace dedezuviv::gui
