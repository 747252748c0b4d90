// The intake at scale. Chat lines go through the whole of Edit1Change
// (parse, watch-list lookup, place, date and time, row append, auto-scroll)
// into logs that already hold 0, 100 000 and 1 000 000 rows: once with every
// user logged, once with a watch list of 10 000 names (every line's user on
// it). The three logs are fed in turn, batch by batch, so that whatever else
// runs on the machine weighs on all three alike. Then the watch-list lookup
// alone, against lists of 100 to 100 000 names.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "bench_app.h"
#include "bench_data.h"
#include "heap_counter.h"

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#else
#define CALLGRIND_START_INSTRUMENTATION
#define CALLGRIND_STOP_INSTRUMENTATION
#endif

namespace {

using namespace bench;

constexpr int kLevels[] = {0, 100000, 1000000};
constexpr int kBatch = 1024;   // lines per timed batch
constexpr int kRounds = 64;    // batches per level: 65 536 lines, across one doubling of any power-of-two store
constexpr int kRing = 4096;    // distinct lines, delivered in turn

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "intake_bench: %s\n", what);
  std::exit(1);
}

void RunIntake(const char* tag, bool logAllUsers, const std::vector<std::string>& watchList) {
  const std::vector<std::string> users = watchList.empty() ? UserNames(10000, 7) : watchList;
  Random rnd(42);
  std::vector<std::string> ring;
  for (int i = 0; i < kRing; ++i) ring.push_back(ChatLine(users[rnd.Next() % users.size()], Content(rnd)));

  constexpr int kCount = static_cast<int>(std::size(kLevels));
  std::vector<std::unique_ptr<App>> apps;
  std::vector<size_t> next(kCount, 0);
  for (int i = 0; i < kCount; ++i) {
    apps.push_back(std::make_unique<App>(watchList));
    App& app = *apps.back();
    app.form->CheckBox2.SetChecked(logAllUsers);
    if (!watchList.empty() && app.form->ListBox1.Count() != static_cast<int>(watchList.size())) {
      Fail("the watch list was not loaded");
    }
    app.MakeCurrent();
    const std::size_t before = MallocInUse();
    for (int n = 0; n < kLevels[i]; ++n) app.Deliver(ring[next[i]++ % kRing]);
    if (horone::LoggedRows != kLevels[i]) Fail("a line was not logged");
    if (kLevels[i] == 1000000 && HeapCountingWorks()) {
      const double perRow = static_cast<double>(MallocInUse() - before) / kLevels[i];
      char name[96];
      std::snprintf(name, sizeof name, "intake_%s_heap_per_row_at_1000000_rows", tag);
      Print(name, perRow, "bytes", 1);
    }
  }

  std::vector<double> total(kCount, 0), slowest(kCount, 0);
  for (int r = 0; r < kRounds; ++r) {
    for (int k = 0; k < kCount; ++k) {
      const int i = (k + r) % kCount;  // each level goes first, second and last in turn
      App& app = *apps[static_cast<size_t>(i)];
      app.MakeCurrent();
      const double t0 = NowNs();
      for (int n = 0; n < kBatch; ++n) app.Deliver(ring[next[static_cast<size_t>(i)]++ % kRing]);
      const double ns = NowNs() - t0;
      total[static_cast<size_t>(i)] += ns;
      slowest[static_cast<size_t>(i)] = std::max(slowest[static_cast<size_t>(i)], ns);
    }
  }
  for (int i = 0; i < kCount; ++i) {
    if (apps[static_cast<size_t>(i)]->form->StringGrid1.RowCount() != kLevels[i] + kBatch * kRounds + 2) {
      Fail("the grid does not hold one row per line");
    }
  }

  char name[96];
  for (int i = 0; i < kCount; ++i) {
    const double lines = static_cast<double>(kBatch) * kRounds;
    std::snprintf(name, sizeof name, "intake_%s_at_%d_rows", tag, kLevels[i]);
    Print(name, lines / (total[static_cast<size_t>(i)] * 1e-9), "lines/s");
    std::snprintf(name, sizeof name, "intake_%s_ns_per_line_at_%d_rows", tag, kLevels[i]);
    Print(name, total[static_cast<size_t>(i)] / lines, "ns", 1);
    std::snprintf(name, sizeof name, "intake_%s_slowest_batch_at_%d_rows", tag, kLevels[i]);
    Print(name, slowest[static_cast<size_t>(i)] / kBatch, "ns/line", 1);
  }
  std::snprintf(name, sizeof name, "intake_%s_cost_ratio_1000000_vs_0_rows", tag);
  Print(name, total[kCount - 1] / total[0], "x", 3);
}

// Lines from users who are not on the watch list: parsed and shown, not logged.
void RunUnwatched(const std::vector<std::string>& watchList) {
  App app(watchList);
  app.form->CheckBox2.SetChecked(false);
  const std::vector<std::string> strangers = UserNames(4096, 1234);
  Random rnd(5);
  std::vector<std::string> ring;
  for (const auto& s : strangers) ring.push_back(ChatLine("~" + s, Content(rnd)));  // "~" is on no list
  app.MakeCurrent();
  const int lines = kBatch * kRounds;
  const double t0 = NowNs();
  for (int n = 0; n < lines; ++n) app.Deliver(ring[static_cast<size_t>(n) % ring.size()]);
  const double ns = NowNs() - t0;
  if (horone::LoggedRows != 0) Fail("an unwatched line was logged");
  Print("intake_watch_10000_unwatched_user", lines / (ns * 1e-9), "lines/s");
}

// ListBox::ContainsEqual against sorted lists of growing size: time and
// comparisons per lookup, half of the lookups finding their name.
void RunLookup() {
  constexpr int kSizes[] = {100, 1000, 10000, 100000};
  double first = 0, last = 0, firstCompares = 0, lastCompares = 0;
  for (int size : kSizes) {
    horone::testing::FakeLocale locale;
    long compares = 0;
    horone::ListBox list("ListBox1", nullptr, {}, 0);
    list.SetSorted([&](std::string_view a, std::string_view b) {
      ++compares;
      return locale.CompareText(a, b);
    });
    std::vector<std::string> names = UserNames(size, 99);
    Random rnd(3);
    std::vector<std::string> queries;
    for (int i = 0; i < 2048; ++i) {
      std::string hit = names[rnd.Next() % names.size()];
      if (i % 2) std::transform(hit.begin(), hit.end(), hit.begin(), [](char c) {
        return static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);  // another case: still equal
      });
      queries.push_back(hit);
      queries.push_back("~" + names[rnd.Next() % names.size()]);  // never on the list
    }
    list.Replace(std::move(names));
    compares = 0;
    long found = 0, lookups = 0;
    const double t0 = NowNs();
    double ns = 0;
    do {
      for (const auto& q : queries) found += list.ContainsEqual(q) ? 1 : 0;
      lookups += static_cast<long>(queries.size());
      ns = NowNs() - t0;
    } while (ns < 100e6);
    if (found * 2 != lookups) Fail("the lookup found a wrong number of names");
    const double perLookup = ns / static_cast<double>(lookups);
    char name[96];
    std::snprintf(name, sizeof name, "watch_lookup_at_%d_names", size);
    Print(name, perLookup, "ns", 1);
    std::snprintf(name, sizeof name, "watch_lookup_compares_at_%d_names", size);
    const double perLookupCompares = static_cast<double>(compares) / static_cast<double>(lookups);
    Print(name, perLookupCompares, "compares", 2);
    if (size == kSizes[0]) first = perLookup, firstCompares = perLookupCompares;
    last = perLookup;
    lastCompares = perLookupCompares;
  }
  Print("watch_lookup_time_ratio_100000_vs_100_names", last / first, "x", 2);
  Print("watch_lookup_compares_ratio_100000_vs_100_names", lastCompares / firstCompares, "x", 2);
  // For comparison: what a logarithmic lookup gives, and a linear one.
  Print("watch_lookup_log2_ratio_100000_vs_100_names", std::log2(100000.0) / std::log2(100.0), "x", 2);
  Print("watch_lookup_linear_ratio_100000_vs_100_names", 100000.0 / 100.0, "x", 0);
}

// One level alone, for an instruction count under callgrind
// (valgrind --tool=callgrind --instr-atstart=no): the log is filled to
// `rows` rows uninstrumented, then the measured lines run instrumented.
__attribute__((noinline)) void DeliverMeasured(App& app, const std::vector<std::string>& ring, size_t from, int lines) {
  for (int n = 0; n < lines; ++n) app.Deliver(ring[(from + static_cast<size_t>(n)) % ring.size()]);
}

int Profile(const char* tag, int rows) {
  const bool allUsers = std::string(tag) == "all_users";
  const std::vector<std::string> watchList = allUsers ? std::vector<std::string>{} : UserNames(10000, 11);
  const std::vector<std::string> users = allUsers ? UserNames(10000, 7) : watchList;
  Random rnd(42);
  std::vector<std::string> ring;
  for (int i = 0; i < kRing; ++i) ring.push_back(ChatLine(users[rnd.Next() % users.size()], Content(rnd)));
  App app(watchList);
  app.form->CheckBox2.SetChecked(allUsers);
  app.MakeCurrent();
  DeliverMeasured(app, ring, 0, rows);
  const int lines = kBatch * kRounds;
  CALLGRIND_START_INSTRUMENTATION;
  DeliverMeasured(app, ring, static_cast<size_t>(rows), lines);
  CALLGRIND_STOP_INSTRUMENTATION;
  if (horone::LoggedRows != rows + lines) Fail("a line was not logged");
  std::printf("profiled_lines: %d lines\n", lines);
  return 0;
}

}  // namespace

// No arguments: every benchmark. "--profile all_users|watch_10000 ROWS":
// one level, for callgrind.
int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--profile") return Profile(argv[2], std::atoi(argv[3]));
  if (!HeapCountingWorks()) std::fprintf(stderr, "intake_bench: heap figures need a glibc build without sanitizers\n");
  RunIntake("all_users", true, {});
  const std::vector<std::string> watchList = UserNames(10000, 11);
  RunIntake("watch_10000", false, watchList);
  RunUnwatched(watchList);
  RunLookup();
  return 0;
}
