#include "export/ExportInterface.h"

#include "base/FormatSettings.h"
#include "export/Namespace.h"

namespace dedezuviv::exports {

TExportInterface::TExportInterface(const std::string& fileName)
    : Replacement(fileName), File(fileName), DateTimes(FormatSettings())
{
    if (const int error = Replacement.Open(Out); error != 0) {
        Error = 1;
        SystemError = error;
    }
}

TExportInterface::TExportInterface(const TExportInterface& other, TWithoutFile)
    : Separator(other.Separator), DecimalSeparator(other.DecimalSeparator), QuoteChar(other.QuoteChar),
      NoHeader(other.NoHeader), Replacement(std::string()), DateTimes(other.DateTimes)
{
}

TExportInterface::~TExportInterface() { Close(); }

void TExportInterface::NewLine()
{
    ++Row;
    Col = 0;
}

void TExportInterface::SkipCell() { ++Col; }

std::string TExportInterface::DateTimeText(TDateTime value) { return DateTimes.Format(value); }

void TExportInterface::WriteDateTime(TDateTime value) { WriteText(DateTimeText(value)); }

void TExportInterface::WriteRecordRow(TDateTime time, const TFieldValue* values, size_t count)
{
    WriteRecordCells(*this, time, values, count);
}

void TExportInterface::WriteHeader(const std::string& text) { WriteText(text); }

void TExportInterface::WriteTitle(const std::string& text) { WriteText(text); }

void TExportInterface::CheckWrite()
{
    if (Out.Error() != 0 && Error == 0) {
        Error = Out.Error();
        SystemError = Out.Error();
    }
}

bool TExportInterface::CellInSheet(int32_t maxRows, int32_t maxColumns)
{
    if (Row < maxRows && Col < maxColumns)
        return true;
    if (Error == 0)
        Error = -1;
    return false;
}

int32_t TExportInterface::GetError()
{
    CheckWrite();
    return Error;
}

void TExportInterface::Close()
{
    if (Closed)
        return;
    Closed = true;
    WriteEnd();
    if (Out.IsOpen())
        Out.Close();
    CheckWrite();
}

void TExportInterface::Commit()
{
    Close();
    if (GetError() != 0)
        return;
    if (const int error = Replacement.Commit(); error != 0) {
        Error = error;
        SystemError = error;
    }
}

}  // namespace dedezuviv::exports
