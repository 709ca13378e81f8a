#include "model/Recorder.h"

#include "base/Clock.h"
#include "base/ErrorText.h"
#include "base/Log.h"
#include "model/DayFiles.h"
#include "model/FieldValue.h"
#include "model/Fields.h"
#include "model/Project.h"
#include "model/Namespace.h"

namespace dedezuviv::model {

bool TRecorder::IsDue(const TProject& project, const TDecodedRecord& record)
{
    bool due = project.SamplingInterval <= 0 ||
               SecondsBetween(project.LastSaved, record.Header.RT) >= project.SamplingInterval;
    if (project.TriggerField.empty())
        return due;
    int fieldType = -1;
    TFieldValue value;
    GetFieldValue(&project, record, project.TriggerField, fieldType, value);
    // Only a defined field with a number decides; system fields (type -1) and unknown names do not.
    if (fieldType != -1) {
        if (value.Kind == vkInteger && !(value.IntValue > 0))
            due = false;
        else if (value.Kind == vkFloat && !(value.FloatValue > 0.0))
            due = false;
    }
    return due;
}

void TRecorder::Record(TProject* project, const std::string& line, const TDecodedRecord& record)
{
    if (project == nullptr || !project->RecordingToFile || !IsDue(*project, record))
        return;
    const TDateTime recordTime = record.Header.RT;
    project->LastSaved = recordTime;
    if (project->RecordStart == 0)
        project->RecordStart = recordTime;

    const std::string fileName = DataFileName(*project, recordTime);
    if (LineWriter) {
        LineWriter->WriteLine(fileName, line);
        return;
    }
    int errorCode = 0;
    const bool written = AppendToDayFile(fileName, line, errorCode);
    ReportWriteResult(fileName, written, errorCode);
}

void TRecorder::ReportWriteResult(const std::string& fileName, bool written, int errorCode)
{
    const TDateTime now = Now();
    if (written) {
        if (WriteFailing) {
            LogMessage("Die Datei \"" + fileName + "\" wird wieder geschrieben.");
            WriteFailing = false;
        }
        return;
    }
    // A full disk fails every record: the first failure and then one line a minute, with the reason.
    if (WriteFailing && SecondsBetween(now, LastWriteFailureReport) < WriteFailureReportSeconds)
        return;
    LogMessage("Fehler beim Schreiben der Datei \"" + fileName + "\"! (" + SystemErrorText(errorCode) + ")");
    WriteFailing = true;
    LastWriteFailureReport = now;
}

bool AppendToDayFile(const std::string& fileName, const std::string& text, int& errorCode)
{
    bool folderCreated = false;
    const bool written = AppendLineToFile(fileName, text, folderCreated, errorCode);
    if (folderCreated) {
        const std::string folder = FileFolder(fileName);
        DebugInfo("Datenverzeichnis " + folder + (folder.back() == '/' ? "" : "/") + " neu angelegt");
    }
    return written;
}

}  // namespace dedezuviv::model
