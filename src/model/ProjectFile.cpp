#include "model/ProjectFile.h"

#include "base/AppGlobals.h"
#include "base/Clock.h"
#include "base/IniFile.h"
#include "model/LiveState.h"
#include "model/NameList.h"
#include "model/UiInterfaces.h"
#include "protocol/RecordDecoder.h"
#include "model/Namespace.h"

#include <filesystem>
#include <set>
#include <system_error>

namespace dedezuviv::model {

namespace {

constexpr const char* SectionInfo = "Info";
constexpr const char* SectionGeneral = "General";
constexpr const char* SectionFieldDefinitions = "Field Definitions";
constexpr const char* SectionExportSetup = "Export Setup";
constexpr const char* SectionDataTable = "Data Table";

const char* const Version100Message =
    "Achtung: Die Projektdatei stammt aus einer Vorgänderversion.Bitte die Einstellungen des "
    "Projekt-Pfades überprüfen, da die Verzeichnisangabe ab Version 1.01 verbessert ist!";

std::string NotFoundMessage(const std::string& fileName)
{
    return "Projekt mit Dateinamen \"" + fileName + "\" nicht gefunden! ";
}

std::string UnreadableMessage(const std::string& fileName)
{
    return "Projektdatei \"" + fileName + "\" konnte nicht gelesen werden! ";
}

std::string ToDisplayNames(const std::string& text)
{
    return TranslateTypeSuffixes(FieldTypeNames, FieldTypeCaptions, text);
}

std::string ToStoredNames(const std::string& text)
{
    return TranslateTypeSuffixes(FieldTypeCaptions, FieldTypeNames, text);
}

std::string CellKey(int n, const char* name) { return "Cell" + std::to_string(n) + "_" + name; }

// The INI file drops the blanks around a value. A caption or unit text that begins or ends with a
// blank ("Warmwasser: ") is written in double quotes, and reading removes one pair of enclosing
// double quotes again, so such texts survive saving and loading.
bool IsPadded(const std::string& text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    return !text.empty() && (blank(text.front()) || blank(text.back()));
}

bool IsQuoted(const std::string& text) { return text.size() >= 2 && text.front() == '"' && text.back() == '"'; }

std::string QuotedIfPadded(const std::string& text)
{
    return IsPadded(text) || IsQuoted(text) ? '"' + text + '"' : text;
}

std::string WithoutEnclosingQuotes(const std::string& text)
{
    return IsQuoted(text) ? text.substr(1, text.size() - 2) : text;
}


// The cell numbers n below Count for which a "Cell<n>_Col" key exists, ascending. Reading only these
// gives the same cells as trying every n below Count, without a loop of billions for a wild Count.
std::vector<int> StoredCellNumbers(const TIniFile& ini, int32_t count)
{
    std::set<int> numbers;
    for (const std::string& key : ini.ReadSection(SectionDataTable)) {
        const std::string folded = FoldIniName(key);
        if (folded.size() < 9 || folded.compare(0, 4, "cell") != 0 || folded.compare(folded.size() - 4, 4, "_col") != 0)
            continue;
        const std::string digits = folded.substr(4, folded.size() - 8);
        // Only the form the writer uses ("Cell12_Col", no sign, no leading zero) names cell 12.
        if (digits.empty() || digits.size() > 10 || (digits.size() > 1 && digits[0] == '0'))
            continue;
        if (digits.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const long long n = std::stoll(digits);
        if (n < count)
            numbers.insert(static_cast<int>(n));
    }
    return {numbers.begin(), numbers.end()};
}

void ReadCell(const TIniFile& ini, int n, TProjectView& view)
{
    const int col = ini.ReadInteger(SectionDataTable, CellKey(n, "Col"), -1);
    const int row = ini.ReadInteger(SectionDataTable, CellKey(n, "Row"), -1);
    if (col == -1 || row == -1 || !TDataTable::IsValidCell(col, row))
        return;
    auto field = std::make_unique<TDataField>();
    const TDataField defaults;
    const auto readString = [&](const char* key, const std::string& def) {
        return ini.ReadString(SectionDataTable, CellKey(n, key), def);
    };
    const auto readBool = [&](const char* key, bool def) { return ini.ReadBool(SectionDataTable, CellKey(n, key), def); };
    const auto readInt = [&](const char* key, int32_t def) {
        return ini.ReadInteger(SectionDataTable, CellKey(n, key), def);
    };
    const auto readFloat = [&](const char* key, double def) {
        return ini.ReadFloat(SectionDataTable, CellKey(n, key), def);
    };
    field->Fieldname = ToDisplayNames(readString("Fieldname", defaults.Fieldname));
    field->CaptionStr = WithoutEnclosingQuotes(readString("CaptionStr", defaults.CaptionStr));
    field->UnitStr = WithoutEnclosingQuotes(readString("UnitStr", defaults.UnitStr));
    field->UseFieldnameAsCaption = readBool("UseFieldnameAsCaption", defaults.UseFieldnameAsCaption);
    field->UseDefaultUnit = readBool("UseDefaultUnit", defaults.UseDefaultUnit);
    field->FontColor = readInt("FontColor", defaults.FontColor);
    field->BoldFont = readBool("BoldFont", defaults.BoldFont);
    field->ItalicFont = readBool("ItalicFont", defaults.ItalicFont);
    field->ActivateMin = readBool("ActivateMin", defaults.ActivateMin);
    field->ActivateMax = readBool("ActivateMax", defaults.ActivateMax);
    field->MinFontColor = readInt("MinFontColor", defaults.MinFontColor);
    field->MaxFontColor = readInt("MaxFontColor", defaults.MaxFontColor);
    field->MinVal = readFloat("MinVal", defaults.MinVal);
    field->MaxVal = readFloat("MaxVal", defaults.MaxVal);
    view.Table.SetCell(col, row, std::move(field));
}

void WriteCell(TIniFile& ini, int n, int col, int row, const TDataField& field)
{
    const auto write = [&](const char* key, const std::string& value) {
        ini.WriteString(SectionDataTable, CellKey(n, key), value);
    };
    const auto writeBool = [&](const char* key, bool value) { ini.WriteBool(SectionDataTable, CellKey(n, key), value); };
    const auto writeInt = [&](const char* key, int32_t value) {
        ini.WriteInteger(SectionDataTable, CellKey(n, key), value);
    };
    writeInt("Col", col);
    writeInt("Row", row);
    write("Fieldname", ToStoredNames(field.Fieldname));
    write("CaptionStr", QuotedIfPadded(field.CaptionStr));
    write("UnitStr", QuotedIfPadded(field.UnitStr));
    writeBool("UseFieldnameAsCaption", field.UseFieldnameAsCaption);
    writeBool("UseDefaultUnit", field.UseDefaultUnit);
    writeInt("FontColor", field.FontColor);
    writeBool("BoldFont", field.BoldFont);
    writeBool("ItalicFont", field.ItalicFont);
    writeBool("ActivateMin", field.ActivateMin);
    writeBool("ActivateMax", field.ActivateMax);
    writeInt("MinFontColor", field.MinFontColor);
    writeInt("MaxFontColor", field.MaxFontColor);
    ini.WriteFloat(SectionDataTable, CellKey(n, "MinVal"), field.MinVal);
    ini.WriteFloat(SectionDataTable, CellKey(n, "MaxVal"), field.MaxVal);
}

// Checks the file before anything is closed: 0, or -1 / 2 with the message.
int OpenProjectIni(const std::string& fileName, TIniFile& ini, std::string& errorText)
{
    std::error_code ec;
    if (fileName.empty() || !std::filesystem::exists(fileName, ec)) {
        errorText = NotFoundMessage(fileName);
        return -1;
    }
    // A FIFO or device is not read at all (a FIFO would block until some writer came).
    if (!std::filesystem::is_regular_file(fileName, ec)) {
        errorText = UnreadableMessage(fileName) + "\"" + fileName + "\" ist keine Datei.";
        return 2;
    }
    ini.SetFileName(fileName);
    if (!ini.Load()) {
        errorText = UnreadableMessage(fileName);
        return 2;
    }
    return 0;
}

std::string ExpandedPath(const std::string& fileName)
{
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(fileName, ec);
    return ec ? fileName : absolute.lexically_normal().string();
}

std::unique_ptr<TProject> ProjectFromIni(const TIniFile& ini, const std::string& fileName, int32_t& version)
{
    auto project = std::make_unique<TProject>();
    project->Modified = false;
    project->FileName = ExpandedPath(fileName);
    version = ReadProjectSections(ini, *project);
    return project;
}

void LoadFinished(int32_t version)
{
    if (version == 100)
        InformUser(Version100Message);
}

}  // namespace

TProjectView& MainView()
{
    static TProjectView view;
    return view;
}


int32_t ReadProjectSections(const TIniFile& ini, TProject& project)
{
    const int32_t version = ini.ReadInteger(SectionInfo, "Version", 0);

    project.Name = ini.ReadString(SectionGeneral, "Name", "");
    project.Comment = ini.ReadString(SectionGeneral, "Comment", "");
    // Port names are kept as written: Linux device names are case-sensitive, and a Windows name such
    // as "COM1" is mapped to its device when the port is opened.
    project.Port.Name = ini.ReadString(SectionGeneral, "Port", "");
    project.Port.BaudRate = static_cast<uint32_t>(
        ini.ReadInteger(SectionGeneral, "Baudrate", static_cast<int32_t>(TPortSettings::DefaultBaudRate)));
    project.ShowTableGrid = ini.ReadBool(SectionGeneral, "ShowTableGrid", true);

    for (int t = 0; t < FieldTypeCount; ++t)
        project.FieldNames[t] = DecodeNameList(ini.ReadString(SectionFieldDefinitions, FieldTypeNames[t], ""));

    project.Root = ini.ReadString(SectionGeneral, "Root", "");
    project.RecordingToFile = ini.ReadBool(SectionGeneral, "RecordingToFile", false);
    project.SamplingInterval = ini.ReadInteger(SectionGeneral, "SamplingInterval", 90);

    project.FieldSelections.clear();
    // Every stored selection has at least its name key, so a Count beyond the number of keys only
    // adds nameless empty selections; it is capped there rather than allocating without bound.
    int32_t count = ini.ReadInteger(SectionExportSetup, "Count", 0);
    const auto keyCount = static_cast<int64_t>(ini.ReadSection(SectionExportSetup).size());
    if (count > keyCount)
        count = static_cast<int32_t>(keyCount);
    for (int32_t i = 0; i < count; ++i) {
        const std::string index = std::to_string(i);
        TNameList list = DecodeNameList(ini.ReadString(SectionExportSetup, "FieldList" + index, ""));
        TranslateTypeSuffixesInList(FieldTypeNames, FieldTypeCaptions, list);
        project.FieldSelections.emplace_back(ini.ReadString(SectionExportSetup, "Name" + index, ""), std::move(list));
    }
    return version;
}

void WriteProjectSections(TIniFile& ini, const TProject& project)
{
    ini.WriteString(SectionInfo, "Program", ProgramTitle);
    ini.WriteString(SectionInfo, "Copyright", CopyrightLine);
    ini.WriteInteger(SectionInfo, "Version", VersionNumber);
    ini.WriteDateTime(SectionInfo, "Date", Now());

    ini.WriteString(SectionGeneral, "Port", project.Port.Name);
    ini.WriteInteger(SectionGeneral, "Baudrate", static_cast<int32_t>(project.Port.BaudRate));
    ini.WriteString(SectionGeneral, "Name", project.Name);
    ini.WriteString(SectionGeneral, "Comment", project.Comment);
    ini.WriteInteger(SectionGeneral, "SamplingInterval", project.SamplingInterval);
    ini.WriteString(SectionGeneral, "Root", project.Root);
    ini.WriteBool(SectionGeneral, "RecordingToFile", project.RecordingToFile);
    ini.WriteBool(SectionGeneral, "ShowTableGrid", project.ShowTableGrid);

    for (int t = 0; t < FieldTypeCount; ++t)
        ini.WriteString(SectionFieldDefinitions, FieldTypeNames[t], EncodeNameList(project.FieldNames[t]));

    ini.WriteInteger(SectionExportSetup, "Count", static_cast<int32_t>(project.FieldSelections.size()));
    for (size_t i = 0; i < project.FieldSelections.size(); ++i) {
        const TFieldSelection& selection = project.FieldSelections[i];
        const std::string index = std::to_string(i);
        ini.WriteString(SectionExportSetup, "Name" + index, selection.Name);
        if (selection.List) {
            TNameList stored = *selection.List;
            TranslateTypeSuffixesInList(FieldTypeCaptions, FieldTypeNames, stored);
            ini.WriteString(SectionExportSetup, "FieldList" + index, EncodeNameList(stored));
        }
    }
}

void SaveViewSettings(TIniFile& ini, const TProjectView& view)
{
    const TDialogStates dialogs = view.Dialogs.Completed(Now());
    for (const TControlStates* dialog : dialogs.All())
        SaveControlStates(&ini, dialog->Section(), dialog);

    ini.WriteInteger(SectionDataTable, "Count", view.Table.Count());
    int n = 0;
    view.Table.ForEachCell([&](int col, int row, const TDataField& field) { WriteCell(ini, n++, col, row, field); });
}

void LoadViewSettings(const TIniFile& ini, TProjectView& view)
{
    for (TControlStates* dialog : view.Dialogs.All())
        if (ini.SectionExists(dialog->Section()))
            LoadControlStates(&ini, dialog->Section(), dialog);

    const int32_t count = ini.ReadInteger(SectionDataTable, "Count", 0);
    for (int n : StoredCellNumbers(ini, count))
        ReadCell(ini, n, view);

    if (view.Window)
        view.Window->RefreshDisplay();
}

void CloseProject(std::unique_ptr<TProject>& project, TProjectView& view)
{
    if (view.Window)
        view.Window->ClearChart();
    view.Table.ClearAll();
    project.reset();
}

void CloseProject(TProjectView& view)
{
    if (view.Window)
        view.Window->ClearChart();
    view.Table.ClearAll();
    CloseCurrentProject();
}

void LoadProjectFile(std::unique_ptr<TProject>& project, const std::string& fileName, int& result,
                     std::string& errorText, TProjectView& view)
{
    errorText.clear();
    TIniFile ini;
    result = OpenProjectIni(fileName, ini, errorText);
    if (result != 0) {
        project.reset();
        return;
    }
    CloseProject(project, view);
    int32_t version = 0;
    project = ProjectFromIni(ini, fileName, version);
    LoadViewSettings(ini, view);
    LoadFinished(version);
}

void LoadProjectFile(const std::string& fileName, int& result, std::string& errorText, TProjectView& view)
{
    errorText.clear();
    TIniFile ini;
    result = OpenProjectIni(fileName, ini, errorText);
    if (result != 0) {
        CloseCurrentProject();
        return;
    }
    CloseProject(view);
    int32_t version = 0;
    // The project is complete before it becomes the open one, so readers on other threads never see a
    // half-read project.
    ReplaceCurrentProject(ProjectFromIni(ini, fileName, version));
    LoadViewSettings(ini, view);
    LoadFinished(version);
}

void SaveProjectFile(TProject& project, const std::string& fileName, int& result, std::string& errorText,
                     const TProjectView& view)
{
    errorText.clear();
    // Built from nothing, so sections and keys this program does not write are not kept.
    TIniFile ini;
    ini.SetFileName(fileName);
    WriteProjectSections(ini, project);
    SaveViewSettings(ini, view);
    if (!ini.UpdateFile(errorText)) {
        result = 2;
        return;
    }
    project.Modified = false;
    result = 0;
}

}  // namespace dedezuviv::model
