#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <chrono>
#include <memory>
#include <utility>
#include <vector>

#include "data_files.h"
#include "library_window.h"
#include "preset/initial_preset.h"
#include "preset/tmrv.h"
#include "window_application.h"

namespace {

using morvane::editor::TLibraryWindow;
using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;

constexpr int kPresetFiles = 10000;
constexpr int kSubFolders = 100;
constexpr int kCategories = 20;
constexpr const char* kCategoryNames[kCategories] = {
    "Pad", "Bas", "Led", "Str", "Brs", "Key", "Org", "Syn", "Drm", "Fx ",
    "Pno", "Gtr", "Vox", "Wnd", "Plk", "Arp", "Seq", "Amb", "Bel", "Hit"};

void WriteLibrary(const QString& folder) {
  morvane::preset::tMrv image;
  image.LoadPresetFromBytes(morvane::preset::BuildInitialPreset());
  for (int file = 0; file < kPresetFiles; ++file) {
    const QString sub = QStringLiteral("folder %1").arg(file % kSubFolders);
    QDir(folder).mkpath(sub);
    image.WriteName(std::string(kCategoryNames[file % kCategories]) + ":Sound " +
                    std::to_string(file));
    image.SavePreset(morvane::editor::LocalFileName(
        QDir(folder).filePath(sub + QStringLiteral("/sound %1.syx").arg(file))));
  }
}

// Ten thousand preset files of distinct names in a hundred sub-folders, in a temporary folder;
// or in the folder MORVANE_BENCH_LIBRARY names, written there if it is empty and kept, so that
// a later run after the system's file cache was emptied lists them cold.
const QString& LibraryFolder() {
  static QTemporaryDir temporary;
  static const QString path = [] {
    const QString kept = qEnvironmentVariable("MORVANE_BENCH_LIBRARY");
    const QString folder = kept.isEmpty() ? temporary.path() : kept;
    if (QDir(folder).isEmpty()) {
      WriteLibrary(folder);
    }
    return folder;
  }();
  return path;
}

void WaitForListing(TLibraryWindow& window) {
  while (window.Library().Listing()) {
    QApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
}

// A shown library window with the whole folder listed.
void ShowListedFolder(TLibraryWindow& window) {
  window.show();
  window.ShowFolder(LibraryFolder());
  WaitForListing(window);
}

int Screenful(const TLibraryWindow& window) {
  const QTableView* list = window.List();
  return list->viewport()->height() / list->verticalHeader()->defaultSectionSize() + 1;
}

// A new library window over the folder each time, sorted by name: from the request until the
// first screenful of rows is shown (first_ms), and until the whole folder is listed and
// searchable (the time measured). The window keeps nothing from the run before; the system
// keeps the files in its cache after the first run, whose own figures are first_run_first_ms
// and first_run_ms.
void BM_LibraryListsTenThousandFiles(benchmark::State& state) {
  morvane::bench::Application();
  const QString& folder = LibraryFolder();
  double firstMs = 0;
  std::vector<std::pair<double, double>> runs;
  for (auto _ : state) {
    auto window = std::make_unique<TLibraryWindow>();
    window->show();
    QApplication::processEvents();
    const int screenful = Screenful(*window);
    const auto start = Clock::now();
    window->ShowFolder(folder);
    while (window->Library().Filter().rowCount() < screenful) {
      QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    window->List()->viewport()->repaint();
    firstMs = Seconds(Clock::now() - start).count() * 1000;
    WaitForListing(*window);
    window->List()->viewport()->repaint();
    const double total = Seconds(Clock::now() - start).count();
    state.SetIterationTime(total);
    runs.emplace_back(firstMs, total * 1000);
    if (window->Library().Model().rowCount() != kPresetFiles) {
      state.SkipWithError("not every preset was listed");
    }
  }
  state.counters["first_ms"] = firstMs;
  if (!runs.empty()) {
    state.counters["first_run_first_ms"] = runs.front().first;
    state.counters["first_run_ms"] = runs.front().second;
  }
}
BENCHMARK(BM_LibraryListsTenThousandFiles)->UseManualTime()->Unit(benchmark::kMillisecond);

// The folder listed again by an open window when nothing changed: only the files' sizes and
// times are looked at.
void BM_LibraryListsAgainUnchanged(benchmark::State& state) {
  morvane::bench::Application();
  TLibraryWindow window;
  ShowListedFolder(window);
  for (auto _ : state) {
    const auto start = Clock::now();
    window.Library().Relist();
    WaitForListing(window);
    state.SetIterationTime(Seconds(Clock::now() - start).count());
  }
}
BENCHMARK(BM_LibraryListsAgainUnchanged)->UseManualTime()->Unit(benchmark::kMillisecond);

// One keystroke in the search over ten thousand presets until the list is painted again: a
// character typed (narrowing) and taken back (widening), in turn. From an empty search the
// keystroke hides two thirds of the list or brings them back, the most a keystroke does; after
// "sound 1" it goes between 1111 and 111 rows.
void BM_LibrarySearchKeystroke(benchmark::State& state) {
  morvane::bench::Application();
  TLibraryWindow window;
  ShowListedFolder(window);
  QLineEdit* search = window.SearchBox();
  const bool fromEmpty = state.range(0) != 0;
  const bool narrowing = state.range(1) != 0;
  search->setText(fromEmpty ? QString() : QStringLiteral("sound 1"));
  QApplication::processEvents();
  for (auto _ : state) {
    const auto start = Clock::now();
    search->insert(fromEmpty ? QStringLiteral("9") : QStringLiteral("2"));
    window.List()->viewport()->repaint();
    const double typed = Seconds(Clock::now() - start).count();
    const auto back = Clock::now();
    search->backspace();
    window.List()->viewport()->repaint();
    const double erased = Seconds(Clock::now() - back).count();
    state.SetIterationTime(narrowing ? typed : erased);
  }
}
BENCHMARK(BM_LibrarySearchKeystroke)
    ->ArgsProduct({{1, 0}, {1, 0}})
    ->ArgNames({"from_empty", "narrowing"})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
