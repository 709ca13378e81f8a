// The project: field definitions, recording settings and named field selections of one ".p-p" file.
#pragma once

#include "base/DateTime.h"
#include "model/Fields.h"
#include "model/PortSettings.h"
#include "protocol/RecordDecoder.h"
#include "model/Namespace.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace dedezuviv::model {

// A named field selection: qualified field names in display form. A selection may exist without a list
// object (List empty pointer); the project file then stores its name but no field list.
struct TFieldSelection {
    std::string Name;
    std::unique_ptr<TNameList> List;

    TFieldSelection() = default;
    explicit TFieldSelection(std::string name) : Name(std::move(name)) {}
    TFieldSelection(std::string name, TNameList list)
        : Name(std::move(name)), List(std::make_unique<TNameList>(std::move(list)))
    {
    }
};

class TProject {
public:
    TProject();
    ~TProject();
    TProject(const TProject&) = delete;
    TProject& operator=(const TProject&) = delete;

    // Fields in their fixed order.
    bool Modified = false;
    std::string Name = "Project";
    std::string Comment;
    std::string FileName;
    TPortSettings Port;          // the data source opens this port while logging runs
    // Moved by the recorder (model/Recorder.h):
    TDateTime RecordStart = 0;   // record time of the first line since logging last started; 0 = none
    TDateTime LastSaved = 0;     // record time of the last recorded line
    std::string Root;            // data root folder; empty = beside the project file
    int32_t SamplingInterval = 90;
    bool RecordingToFile = false;
    std::string TriggerField;    // qualified name gating recording; never stored in the file
    bool ShowTableGrid = true;
    std::array<TNameList, FieldTypeCount> FieldNames;
    std::vector<TFieldSelection> FieldSelections;

    const std::string& GetFileName() const { return FileName; }
    void SetFileName(const std::string& path) { FileName = path; }
    const std::string& GetName() const { return Name; }
    void SetName(const std::string& text) { Name = text; }
    const std::string& GetComment() const { return Comment; }
    void SetComment(const std::string& text) { Comment = text; }
    void SetModified(bool flag) { Modified = flag; }

    // The folder under which the project's data lies, with "/" separators:
    // - Root when it is set, without trailing "/" or "\";
    // - else the project file's folder and its name without extension ("/a/Haus1.p-p" -> "/a/Haus1");
    //   a file name without extension gets ".data" appended, so the folder is never the file itself;
    // - with neither root nor file name: "Project" in the current working folder.
    // A non-empty SubDir is appended after a "/".
    std::string GetDataDir(const std::string& subDir = std::string()) const;

    // Every non-empty name of all eight types (qualified if asked), then the six system names if asked,
    // sorted with CompareFieldNames.
    TNameList GetAllFieldNames(bool qualified, bool withSystemFields) const;
    // The non-empty names of one type, sorted; an invalid type gives an empty list.
    TNameList GetFieldNames(bool qualified, TFieldType type) const;
};

// The same as the member, for a project that may be missing: no project gives an empty list.
TNameList GetAllFieldNames(const TProject* project, bool qualified, bool withSystemFields);

}  // namespace dedezuviv::model
