// TCsvRowFormatter: the data rows of a CSV or DAT writer made on the reader's decoding workers, so that
// the thread writing the file only copies bytes. Each worker's clone has its own writer without a file
// (with its own date-time text cache), so the rows are byte for byte those the writer would make.
#pragma once

#include "export/CsvExport.h"
#include "model/RecordedDays.h"
#include "export/Namespace.h"

#include <memory>
#include <string>

namespace dedezuviv::exports {

class TCsvRowFormatter final : public model::IRecordFormatter {
public:
    // Rows as Writer writes them (WriteRecordRow with Count values); Writer's settings are copied.
    TCsvRowFormatter(const TCSVExport& writer, size_t count);

    std::unique_ptr<model::IRecordFormatter> Clone() const override;
    void Append(const TRecordHeader& header, const TFieldValue* values, std::string& text) override;

private:
    TCSVExport Rows;
    size_t Count;
};

}  // namespace dedezuviv::exports
