// Heap per logged row. A grid gets 1 000 000 rows the way the intake writes
// them (one more row, then place, date, time, user and content), with
// realistic cells: place "第12卓 東南戦", today's date, a time that moves on
// one second every 12 lines, users of 4 to 12 bytes, contents of 10 to 60
// bytes. The heap the grid holds afterwards, less the user and content
// bytes, is the cost of a row.
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include "bench_data.h"
#include "heap_counter.h"
#include "widgets/widgets.h"

namespace {

using namespace bench;

constexpr int kRows = 1000000;

std::string Today() {
  const std::time_t t = std::time(nullptr);
  std::tm local{};
  localtime_r(&t, &local);
  char buf[48];
  std::snprintf(buf, sizeof buf, "%04d/%02d/%02d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
  return buf;
}

}  // namespace

int main() {
  if (!HeapCountingWorks()) {
    std::fprintf(stderr, "grid_memory_bench: heap figures need a glibc build without sanitizers\n");
    return 1;
  }
  const std::vector<std::string> users = UserNames(10000, 21);
  const std::string place = "第12卓 東南戦";
  const std::string date = Today();
  Random rnd(77);

  const HeapFigures empty = Heap();
  auto grid = std::make_unique<horone::StringGrid>("StringGrid1", nullptr, horone::Rect{}, 0);
  static constexpr const char* kHeaders[] = {"場所", "年月日", "時間", "ユーザ名", "内容"};
  for (int c = 0; c < horone::StringGrid::kColumns; ++c) grid->SetCell(c, 0, kHeaders[c]);
  const HeapFigures before = Heap();
  ResetHeapPeak();

  std::vector<std::pair<int, std::string>> probes;  // rows to read back
  double textBytes = 0;
  int h = 9, m = 0, s = 0;
  char time[48];
  for (int r = 1; r <= kRows; ++r) {
    if (r % 12 == 0 && ++s == 60) {
      s = 0;
      if (++m == 60) m = 0, h = (h + 1) % 24;
    }
    std::snprintf(time, sizeof time, "%02d:%02d:%02d", h, m, s);
    const std::string& user = users[rnd.Next() % users.size()];
    const std::string content = Content(rnd);
    grid->SetRowCount(grid->RowCount() + 1);
    grid->SetCell(0, r, place);
    grid->SetCell(1, r, date);
    grid->SetCell(2, r, time);
    grid->SetCell(3, r, user);
    grid->SetCell(4, r, content);
    textBytes += static_cast<double>(user.size() + content.size());
    if (r == 1 || r % 333333 == 0) probes.emplace_back(r, user + "|" + content + "|" + time);
  }
  const HeapFigures after = Heap();
  for (const auto& [row, expected] : probes) {
    const std::string got = std::string(grid->Cell(3, row)) + "|" + std::string(grid->Cell(4, row)) + "|" +
                            std::string(grid->Cell(2, row));
    if (got != expected || grid->Cell(0, row) != place || grid->Cell(1, row) != date) {
      std::fprintf(stderr, "grid_memory_bench: row %d reads back wrong\n", row);
      return 1;
    }
  }
  if (grid->RowCount() != kRows + 2 || grid->Cell(3, 0) != "ユーザ名") {
    std::fprintf(stderr, "grid_memory_bench: wrong row count or header\n");
    return 1;
  }

  const double heap = static_cast<double>(after.mallocBytes - before.mallocBytes);
  const double held = static_cast<double>(after.liveBytes - before.liveBytes);
  const double peak = static_cast<double>(after.peakBytes - before.liveBytes);
  Print("grid_rows", kRows, "rows");
  Print("grid_text_bytes_per_row", textBytes / kRows, "bytes", 1);
  Print("grid_heap_per_row", heap / kRows, "bytes", 1);
  Print("grid_heap_beyond_text_per_row", (heap - textBytes) / kRows, "bytes", 1);
  Print("grid_blocks_beyond_text_per_row", (held - textBytes) / kRows, "bytes", 1);
  Print("grid_peak_heap_beyond_text_per_row", (peak - textBytes) / kRows, "bytes", 1);
  Print("grid_empty_heap", static_cast<double>(before.mallocBytes - empty.mallocBytes), "bytes");
  grid.reset();
  const HeapFigures freed = Heap();
  Print("grid_heap_left_after_destruction", static_cast<double>(freed.liveBytes) - static_cast<double>(empty.liveBytes),
        "bytes");
  return 0;
}
