#include "Pictures.h"
#include "ScreenshotStage.h"

#include "app/gui/ExportBatchDlg.h"
#include "app/gui/ExportCommands.h"
#include "app/gui/ExportDlg.h"
#include "app/gui/FieldListEditorDlg.h"
#include "base/DateTime.h"
#include "model/LiveState.h"
#include "model/Project.h"

#include <QComboBox>
#include <QLineEdit>

using namespace dedezuviv::base;
using namespace dedezuviv::model;
using namespace dedezuviv::gui;

using guitest::SetPickers;

namespace {

TProject& OpenExportProject(TScreenshotStage& stage)
{
    ReplaceCurrentProject(guitest::ExportProject((stage.Dir / "Haus.p-p").string()));
    return *CurrentProject();
}

}  // namespace

bool ExportDialogPicture(const std::string& file)
{
    TScreenshotStage stage;
    OpenExportProject(stage);
    TExportDlg& dialog = ExportDlg(stage.Window());
    return stage.DialogPicture(
        dialog,
        [&dialog] {
            dialog.FileLabeledEdit->setText(QStringLiteral("/home/anna/Heizung/Auswertung/Maerz.csv"));
            SetPickers(dialog.StartDatePicker, dialog.StartTimePicker, EncodeDateTime(2025, 3, 1, 6, 0, 0));
            SetPickers(dialog.FinalDatePicker, dialog.FinalTimePicker, EncodeDateTime(2025, 3, 1, 12, 0, 0));
            dialog.TimeIncrementMaskEdit->setText(QStringLiteral("00:30:00"));
        },
        stage.MenuCommand("Export", "Exportieren in Datei"), file);
}

bool ExportBatchDialogPicture(const std::string& file)
{
    TScreenshotStage stage;
    OpenExportProject(stage);
    TExportBatchDlg& dialog = ExportBatchDlg(stage.Window());
    return stage.DialogPicture(
        dialog,
        [&dialog] {
            dialog.TypeSelListBox->setCurrentIndex(1);
            dialog.FormatSelComboBox->setCurrentIndex(0);
            SetPickers(dialog.StartDatePicker, dialog.StartTimePicker, EncodeDate(2025, 3, 1));
            SetPickers(dialog.FinalDatePicker, dialog.FinalTimePicker, EncodeDate(2025, 3, 3));
        },
        stage.MenuCommand("Export", "Batch-Export"), file);
}

bool FieldListEditorPicture(const std::string& file)
{
    TScreenshotStage stage;
    // Without selections the editor starts with a new one, "Neu", and every field on the left.
    OpenExportProject(stage).FieldSelections.clear();
    return stage.DialogPicture(FieldListEditorDlg(stage.Window()), nullptr,
                               stage.MenuCommand("Export", "Feldauswahl erstellen/bearbeiten"), file);
}
