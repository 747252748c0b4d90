// Finding a text in the log grid.
#pragma once

#include <functional>

namespace horone {

// The row a find moves to. The candidates are the logged rows 1 to
// `lastRow`; the search starts after `current` (forward) or before it
// (backward), wraps round at either end and meets `current` itself last.
// From the empty row below the newest line (or the header), forward starts
// at row 1 and backward at `lastRow`. 0 when no row matches.
int FindLogRow(int lastRow, int current, bool forward, const std::function<bool(int row)>& matches);

}  // namespace horone
