#include "model/window/DialogStates.h"

#include "base/FormatSettings.h"
#include "base/IniFile.h"
#include "base/NumberText.h"

namespace {

using TControlList = std::vector<std::pair<std::string, TControlKind>>;

// The four date and time pickers that the plot and export dialogs share.
TControlList WithPickers(TControlList rest)
{
    TControlList controls = {{"StartDatePicker", TControlKind::DateTimePicker},
                             {"FinalDatePicker", TControlKind::DateTimePicker},
                             {"StartTimePicker", TControlKind::DateTimePicker},
                             {"FinalTimePicker", TControlKind::DateTimePicker}};
    controls.insert(controls.end(), rest.begin(), rest.end());
    return controls;
}

}  // namespace

TControlStates::TControlStates(std::string section, const TControlList& controls) : SectionName(std::move(section))
{
    for (const auto& [name, kind] : controls)
        States.push_back(TControlState{name, kind, false, {}});
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
    : PlotEditDlg("PlotEditDlg", WithPickers({{"FieldListSelComboBox", TControlKind::ComboBox},
                                              {"TimeIncrementMaskEdit", TControlKind::MaskEdit},
                                              {"Look3DCB", TControlKind::CheckBox},
                                              {"MarkersCB", TControlKind::CheckBox}})),
      ExportBatchDlg("ExportBatchDlg", WithPickers({{"TimeIncrementMaskEdit", TControlKind::MaskEdit},
                                                    {"TypeSelListBox", TControlKind::ListBox},
                                                    {"FormatSelComboBox", TControlKind::ComboBox},
                                                    {"ExportInCustomPathCB", TControlKind::CheckBox},
                                                    {"ExportSelComboBox", TControlKind::ComboBox},
                                                    {"ActualTimeCB", TControlKind::CheckBox}})),
      ExportSelectionDlg("ExportSelectionDlg", {{"SrcList", TControlKind::ListBox},
                                                {"DstList", TControlKind::ListBox},
                                                {"FieldListSelComboBox", TControlKind::ComboBox}}),
      ExportDlg("ExportDlg", WithPickers({{"FieldListSelComboBox", TControlKind::ComboBox},
                                          {"TimeIncrementMaskEdit", TControlKind::MaskEdit}}))
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
