#include "model/window/DialogStates.h"

#include "base/FormatSettings.h"
#include "base/IniFile.h"
#include "base/NumberText.h"
#include "model/Namespace.h"

namespace dedezuviv::model {

namespace {

using TControlList = std::vector<TControlSpec>;

// What the dialogs' controls start with: no selection, a zero increment (automatic), boxes unchecked.
const std::string NoSelection = "-1";
const std::string ZeroIncrement = "00:00:00";
const std::string Unchecked = "0";

// The four date and time pickers that the plot and export dialogs share.
TControlList WithPickers(TControlList rest)
{
    TControlList controls = {{"StartDatePicker", TControlKind::DateTimePicker, ""},
                             {"FinalDatePicker", TControlKind::DateTimePicker, ""},
                             {"StartTimePicker", TControlKind::DateTimePicker, ""},
                             {"FinalTimePicker", TControlKind::DateTimePicker, ""}};
    controls.insert(controls.end(), rest.begin(), rest.end());
    return controls;
}

}  // namespace

TControlStates::TControlStates(std::string section, const TControlList& controls) : SectionName(std::move(section))
{
    for (const TControlSpec& control : controls)
        States.push_back(TControlState{control.Name, control.Kind, false, {}, control.StartValue});
}

const TControlState* TControlStates::Find(std::string_view name) const
{
    for (const TControlState& state : States)
        if (SameIniName(state.Name, name))
            return &state;
    return nullptr;
}

TControlState* TControlStates::FindMutable(std::string_view name)
{
    return const_cast<TControlState*>(Find(name));
}

bool TControlStates::HasValue(std::string_view name) const
{
    const TControlState* state = Find(name);
    return state && state->HasValue;
}

std::string TControlStates::Text(std::string_view name, std::string_view defaultValue) const
{
    const TControlState* state = Find(name);
    return state && state->HasValue ? state->Value : std::string(defaultValue);
}

bool TControlStates::Checked(std::string_view name, bool defaultValue) const
{
    return Integer(name, defaultValue ? 1 : 0) != 0;
}

int32_t TControlStates::Integer(std::string_view name, int32_t defaultValue) const
{
    const TControlState* state = Find(name);
    int32_t value = defaultValue;
    if (state && state->HasValue && TryStrToInt(state->Value, value))
        return value;
    return defaultValue;
}

TDateTime TControlStates::DateTime(std::string_view name, TDateTime defaultValue) const
{
    const TControlState* state = Find(name);
    TDateTime value = defaultValue;
    if (state && state->HasValue && TryStrToDateTime(state->Value, value))
        return value;
    return defaultValue;
}

bool TControlStates::SetText(std::string_view name, std::string_view value)
{
    TControlState* state = FindMutable(name);
    if (!state)
        return false;
    state->HasValue = true;
    state->Value = std::string(value);
    return true;
}

bool TControlStates::SetChecked(std::string_view name, bool value) { return SetText(name, value ? "1" : "0"); }

bool TControlStates::SetInteger(std::string_view name, int32_t value) { return SetText(name, std::to_string(value)); }

bool TControlStates::SetDateTime(std::string_view name, TDateTime value)
{
    return SetText(name, DateTimeToStr(value));
}

void TControlStates::Clear()
{
    for (TControlState& state : States) {
        state.HasValue = false;
        state.Value.clear();
    }
}

void TControlStates::CompleteWithStartValues(TDateTime now)
{
    for (TControlState& state : States) {
        if (state.HasValue)
            continue;
        if (state.Kind == TControlKind::DateTimePicker)
            SetDateTime(state.Name, now);
        else
            SetText(state.Name, state.StartValue);
    }
}

bool TControlStates::LoadValue(std::string_view name, std::string_view text)
{
    TControlState* state = FindMutable(name);
    if (!state)
        return false;
    int32_t number = 0;
    TDateTime moment = 0;
    switch (state->Kind) {
    case TControlKind::Edit:
    case TControlKind::MaskEdit:
        return SetText(state->Name, text);
    case TControlKind::CheckBox:
    case TControlKind::RadioButton:
        return SetChecked(state->Name, TryStrToInt(text, number) && number != 0);
    case TControlKind::RadioGroup:
    case TControlKind::TrackBar:
        return SetInteger(state->Name, TryStrToInt(text, number) ? number : 0);
    case TControlKind::HotKey:
    case TControlKind::ComboBox:
    case TControlKind::ListBox:
        if (TryStrToInt(text, number))
            SetInteger(state->Name, number);
        return true;
    case TControlKind::DateTimePicker:
        if (TryStrToDateTime(text, moment))
            SetDateTime(state->Name, moment);
        return true;
    }
    return true;
}

TDialogStates::TDialogStates()
    : PlotEditDlg("PlotEditDlg", WithPickers({{"FieldListSelComboBox", TControlKind::ComboBox, NoSelection},
                                              {"TimeIncrementMaskEdit", TControlKind::MaskEdit, ZeroIncrement},
                                              {"Look3DCB", TControlKind::CheckBox, Unchecked},
                                              {"MarkersCB", TControlKind::CheckBox, Unchecked}})),
      // The batch dialog starts with the first period type and the format "xls".
      ExportBatchDlg("ExportBatchDlg", WithPickers({{"TimeIncrementMaskEdit", TControlKind::MaskEdit, ZeroIncrement},
                                                    {"TypeSelListBox", TControlKind::ListBox, "0"},
                                                    {"FormatSelComboBox", TControlKind::ComboBox, "1"},
                                                    {"ExportInCustomPathCB", TControlKind::CheckBox, Unchecked},
                                                    {"ExportSelComboBox", TControlKind::ComboBox, NoSelection},
                                                    {"ActualTimeCB", TControlKind::CheckBox, Unchecked}})),
      ExportSelectionDlg("ExportSelectionDlg", {{"SrcList", TControlKind::ListBox, NoSelection},
                                                {"DstList", TControlKind::ListBox, NoSelection},
                                                {"FieldListSelComboBox", TControlKind::ComboBox, NoSelection}}),
      ExportDlg("ExportDlg", WithPickers({{"FieldListSelComboBox", TControlKind::ComboBox, NoSelection},
                                          {"TimeIncrementMaskEdit", TControlKind::MaskEdit, ZeroIncrement}}))
{
}

TControlStates* TDialogStates::Find(std::string_view section)
{
    for (TControlStates* states : All())
        if (SameIniName(states->Section(), section))
            return states;
    return nullptr;
}

void TDialogStates::Clear()
{
    for (TControlStates* states : All())
        states->Clear();
}

TDialogStates TDialogStates::Completed(TDateTime now) const
{
    TDialogStates completed = *this;
    for (TControlStates* states : completed.All())
        states->CompleteWithStartValues(now);
    return completed;
}

void LoadControlStates(const TIniFile* ini, std::string_view section, TControlStates* dialog)
{
    if (!ini || !dialog)
        return;
    for (const auto& [key, value] : ini->ReadSectionValues(section))
        dialog->LoadValue(key, value);
}

void SaveControlStates(TIniFile* ini, std::string_view section, const TControlStates* dialog)
{
    if (!ini || !dialog)
        return;
    for (const TControlState& state : dialog->Controls())
        if (state.HasValue)
            ini->WriteString(section, state.Name, state.Value);
}

}  // namespace dedezuviv::model
