// The cell settings dialog "Auswahl des angezeigten Feldinhalts": which field a table cell shows, its
// caption and unit, font style and colours, and the limits at which the value changes colour.
#pragma once

#include "model/window/DataField.h"
#include "app/gui/Namespace.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace dedezuviv::gui {

class TFloatEdit;

class TCellContentDlg : public QDialog {
    Q_OBJECT
public:
    // The result of "Löschen && OK" (OK is Accepted, "Abbrechen" Rejected).
    static constexpr int DeleteResult = 2;

    explicit TCellContentDlg(QWidget* parent = nullptr);

    // Fills the controls from the cell's settings; the field list from the current project.
    void LoadData(const TDataField& cell);
    // Stores the controls into the cell's settings.
    void SaveData(TDataField& cell);
    // The three colour buttons show their captions in their colours.
    void UpdateFontColorBtns();
    // The edits, labels and buttons that belong to a check box are enabled only while it is on.
    void UpdateEnabledStates();

    // Chooses a colour starting from the given one; false when the choice was cancelled. Tests
    // replace the platform's colour dialog.
    std::function<bool(TCellColor& color, QWidget* parent)> PickColor;

    QComboBox* DataFieldBox = nullptr;
    QCheckBox* DontUseFieldnameAsCaptionBox = nullptr;
    QLabel* TextLabel = nullptr;
    QLineEdit* TextEdit = nullptr;
    QCheckBox* DontUseDefaultUnitBox = nullptr;
    QLabel* UnitLabel = nullptr;
    QLineEdit* UnitEdit = nullptr;
    QCheckBox* BoldFontBox = nullptr;
    QCheckBox* ItalicFontBox = nullptr;
    QPushButton* FontColorBtn = nullptr;
    QCheckBox* ActivateMinCB = nullptr;
    QLabel* MinValLabel = nullptr;
    TFloatEdit* MinValEdit = nullptr;
    QPushButton* MinFontColorBtn = nullptr;
    QCheckBox* ActivateMaxCB = nullptr;
    QLabel* MaxValLabel = nullptr;
    TFloatEdit* MaxValEdit = nullptr;
    QPushButton* MaxFontColorBtn = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* DeleteBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

    // The colours of the three colour dialogs.
    TCellColor FontColor = CellColorBlack;
    TCellColor MinFontColor = CellColorBlue;
    TCellColor MaxFontColor = CellColorRed;

private:
    void ChooseColor(TCellColor& color);
};

}  // namespace dedezuviv::gui
