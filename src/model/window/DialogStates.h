// The last used settings of the four evaluation dialogs (plot, batch export, field selection editor,
// export), kept as data so that loading and saving a project keeps them whether or not the dialogs
// have been built. Each dialog section is a fixed list of controls in their creation order; a control
// has a kind and, once known, a value held as the text of its INI encoding. A dialog copies its
// controls' values into its section before a save and takes them from it after a load.
#pragma once

#include "base/DateTime.h"
#include "model/Namespace.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dedezuviv::base {
class TIniFile;
}  // namespace dedezuviv::base

namespace dedezuviv::model {

enum class TControlKind {
    Edit,            // text
    MaskEdit,        // text
    CheckBox,        // checked, "1" or "0"
    RadioButton,     // checked, "1" or "0"
    RadioGroup,      // selected index
    TrackBar,        // position
    HotKey,          // key code
    ComboBox,        // selected index, -1 = none
    ListBox,         // selected index, -1 = none
    DateTimePicker,  // date and time in the system's date-time form
};

struct TControlState {
    std::string Name;
    TControlKind Kind = TControlKind::Edit;
    bool HasValue = false;
    std::string Value;  // the INI text of the value
    // The INI text of the value the dialog's control starts with; date-time pickers start at the
    // current time, so theirs is empty.
    std::string StartValue;
};

// A control of a dialog section: its name, kind and start value.
struct TControlSpec {
    std::string Name;
    TControlKind Kind = TControlKind::Edit;
    std::string StartValue;
};

class TControlStates {
public:
    TControlStates(std::string section, const std::vector<TControlSpec>& controls);

    const std::string& Section() const { return SectionName; }
    const std::vector<TControlState>& Controls() const { return States; }

    // The control of that name (letter case ignored), or nullptr.
    const TControlState* Find(std::string_view name) const;
    bool HasValue(std::string_view name) const;

    // Typed access with the INI encodings; a missing or unreadable value gives the default.
    std::string Text(std::string_view name, std::string_view defaultValue = {}) const;
    bool Checked(std::string_view name, bool defaultValue = false) const;
    int32_t Integer(std::string_view name, int32_t defaultValue) const;
    TDateTime DateTime(std::string_view name, TDateTime defaultValue) const;

    // False when the section has no control of that name.
    bool SetText(std::string_view name, std::string_view value);
    bool SetChecked(std::string_view name, bool value);
    bool SetInteger(std::string_view name, int32_t value);
    bool SetDateTime(std::string_view name, TDateTime value);

    // Forgets every value.
    void Clear();
    // Gives every control without a value the value its dialog starts with (pickers: Now).
    void CompleteWithStartValues(TDateTime now);

    // Sets the value of the named control from an INI text, decoded by the control's kind with the
    // reading defaults: text as it is; check boxes false; radio groups and track bars 0; hot keys,
    // combo and list boxes and date-time pickers keep their value when the text is unreadable.
    // False when there is no such control.
    bool LoadValue(std::string_view name, std::string_view text);

private:
    TControlState* FindMutable(std::string_view name);

    std::string SectionName;
    std::vector<TControlState> States;
};

// The four dialog sections in the order of writing.
class TDialogStates {
public:
    TDialogStates();

    TControlStates PlotEditDlg;
    TControlStates ExportBatchDlg;
    TControlStates ExportSelectionDlg;
    TControlStates ExportDlg;

    // In the order of writing: PlotEditDlg, ExportBatchDlg, ExportSelectionDlg, ExportDlg.
    std::array<TControlStates*, 4> All() { return {&PlotEditDlg, &ExportBatchDlg, &ExportSelectionDlg, &ExportDlg}; }
    std::array<const TControlStates*, 4> All() const
    {
        return {&PlotEditDlg, &ExportBatchDlg, &ExportSelectionDlg, &ExportDlg};
    }
    // The section of that name (letter case ignored), or nullptr.
    TControlStates* Find(std::string_view section);
    void Clear();
    // A copy in which every control has a value: those without one get their dialog's start value. The
    // project file is written from it, so a project saved where the dialogs were never built (the
    // command-line tool) has the same sections and keys as one saved by the window.
    TDialogStates Completed(TDateTime now) const;
};

// Every key of the INI section that names a control of the dialog sets that control's value (keys
// without a control are ignored); controls without a key keep their value. Nothing happens without a
// file or a dialog.
void LoadControlStates(const TIniFile* ini, std::string_view section, TControlStates* dialog);
// Writes one key per control that has a value, in the controls' order. Nothing happens without a file
// or a dialog.
void SaveControlStates(TIniFile* ini, std::string_view section, const TControlStates* dialog);

}  // namespace dedezuviv::model
