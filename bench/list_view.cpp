// The dialogs' report list once a person has sorted it by clicking a column header: after OK the
// selection loop looks up every component's row by name, and a selection toolbar button reads
// Item(i) twice per row. Target: the time per row stays flat from 1,000 to 10,000 rows
// (complexity O(N)).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/fakes/fake_services.hpp"
#include "vbrt/common_controls.hpp"
#include "vbrt/forms.hpp"
#include "vbrt/runtime.hpp"

namespace {

struct Dialog : vb::Form {
  explicit Dialog(vb::Runtime& rt) : vb::Form(rt, "frmOptions") {}
  vb::ListView ListView1{*this, "ListView1", {"Name", "Files", "User", "Type"}};
};

// The names in the project's order; the rows as the lock pass fills them, then sorted by the
// name column as a first header click does.
struct SortedList {
  explicit SortedList(int rows) {
    for (int i = 0; i < rows; ++i) {
      char name[32];
      // Not in the list's sort order: every other name starts with a capital.
      std::snprintf(name, sizeof name, i % 2 ? "frm%05d" : "Mod%05d", (i * 7919) % rows);
      names.emplace_back(name);
      vb::ListItem& r = dialog.ListView1.Add();
      r.Text = name;
      r.SmallIcon = 1 + i % 3;
      r.SetSubItems(1, names.back() + ".bas");
    }
    dialog.ListView1.SortKey = 0;
    dialog.ListView1.SortOrder = vb::lvwAscending;
    dialog.ListView1.Sorted = true;
  }
  fakes::FakeServices fake;
  vb::Runtime rt{fake.services()};
  Dialog dialog{rt};
  std::vector<std::string> names;
};

// A header click between rounds, so that each round pays for the sort as a person's would.
void Resort(vb::ListView& l) {
  l.SortOrder = l.SortOrder == vb::lvwAscending ? vb::lvwDescending : vb::lvwAscending;
}

// Both loops at the sizes where a quadratic list shows.
void Sizes(benchmark::internal::Benchmark* b) {
  b->Arg(1000)->Arg(4000)->Arg(10000)->MinTime(0.2)->Unit(benchmark::kMillisecond)->Complexity();
}

void BM_SelectionLoop(benchmark::State& state) {
  SortedList list(static_cast<int>(state.range(0)));
  int selected = 0;
  for (auto _ : state) {
    Resort(list.dialog.ListView1);
    list.dialog.ListView1.Item(1).Selected = true;  // a person's pick, seen by the next lookup
    for (const auto& name : list.names) selected += list.dialog.ListView1.FindItem(name)->Selected ? 1 : 0;
  }
  benchmark::DoNotOptimize(selected);
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_SelectionLoop)->Apply(Sizes);

void BM_ToolbarSelect(benchmark::State& state) {
  SortedList list(static_cast<int>(state.range(0)));
  auto& l = list.dialog.ListView1;
  for (auto _ : state) {
    Resort(l);
    int n = l.Count();
    for (int i = 1; i <= n; ++i) l.Item(i).Selected = l.Item(i).SmallIcon == 2;
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ToolbarSelect)->Apply(Sizes);

}  // namespace

BENCHMARK_MAIN();
