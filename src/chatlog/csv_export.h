// The log grid saved as CSV (RFC 4180) through the standard save dialog:
// UTF-8 with a byte-order mark, so that spreadsheet programs on Japanese
// Windows read it right.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "ports/ports.h"
#include "widgets/widgets.h"

namespace horone {

// Appends one field: in double quotes, each double quote doubled, when it
// holds a comma, a double quote, CR, LF or a tab; as it stands otherwise.
void AppendCsvField(std::string& out, std::string_view field);

// Appends one record: the fields separated by commas, ended by CR LF.
void AppendCsvRecord(std::string& out, const std::array<std::string_view, StringGrid::kColumns>& fields);

// The whole grid as the exported file holds it: the byte-order mark, the
// header row, then every logged row, without the empty row at the end.
// All five columns, shown or hidden. The records are built in code page
// 932 and converted to UTF-8 one by one, so the file is never held twice.
std::string GridToCsvFile(const StringGrid& grid, Locale& locale);

}  // namespace horone
