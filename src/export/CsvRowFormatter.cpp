#include "export/CsvRowFormatter.h"

#include "export/Namespace.h"

#include <algorithm>

namespace dedezuviv::exports {

// The writer's factory of its formatter lives here, beside the formatter, so that the writer's own
// unit does not include this one.
std::unique_ptr<model::IRecordFormatter> TCSVExport::RowFormatter(size_t count) const
{
    // Every row must fit the buffer it is made in: each cell is at most a separator, two quotes and a
    // number (64 bytes) or a date-time, with every quote in it doubled.
    const size_t cell = Separator.size() + 2 * QuoteChar.size() + 2 * std::max<size_t>(64, DateTimes.MaxLength());
    if ((count + 1) * cell + 2 > TBufferedFile::BufferSize)
        return nullptr;
    return std::make_unique<TCsvRowFormatter>(*this, count);
}

TCsvRowFormatter::TCsvRowFormatter(const TCSVExport& writer, size_t count)
    : Rows(writer, TCSVExport::TWithoutFile{}), Count(count)
{
}

std::unique_ptr<model::IRecordFormatter> TCsvRowFormatter::Clone() const
{
    return std::make_unique<TCsvRowFormatter>(Rows, Count);
}

void TCsvRowFormatter::Append(const TRecordHeader& header, const TFieldValue* values, std::string& text)
{
    Rows.WriteRecordRow(header.RT, values, Count);
    text.append(Rows.TakeUnwritten());
}

}  // namespace dedezuviv::exports
