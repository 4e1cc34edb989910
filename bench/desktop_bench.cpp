// The desktop at scale: for projects from bench/make_project it runs `vbhost run` (the scripted
// host: connect, then the check-out dialog) and then the desktop itself (MainWindow, offscreen unless DISPLAY
// is set, or under Xvfb), each in a process of its own with the real engine on a private bus, and compares:
//   connect to lock states shown, against the scripted run's pass (target <= 1.5x);
//   the check-out dialog opened after a reload (a check-out of one file), against its first
//     opening (target <= 1.5x);
//   time per component at the largest size against the smallest (target <= 1.3x);
//   the longest time without a paint during the connect's pass (target <= 250 ms);
//   peak memory against the scripted host's with the dialog shown (target <= +60 MB);
// then, per size, the desktop's memory at each step of its run (resident, its peak so far, and
// what malloc holds in use and keeps free), to tell which step sets the peak.
//
//   desktop_bench ROOT...   (each ROOT a folder made by make_project, smallest first)
#include <malloc.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "dde/private_bus.hpp"
#include "gui/main_window.hpp"

namespace {

using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;

// The desktop's memory at one step of its run: resident now and at its peak so far, and what
// malloc holds in use and keeps free (glibc's counts, every arena).
struct Step {
  long rss_kb = 0, hwm_kb = 0, in_use_kb = 0, free_kb = 0;
};
constexpr const char* kSteps[] = {"opened",
                                  "connected",
                                  "first dialog shown",
                                  "first dialog closed",
                                  "check-out dialog shown",
                                  "reloaded and re-linked",
                                  "dialog shown again",
                                  "dialog closed again"};
constexpr int kStepCount = std::size(kSteps);

struct Figures {
  double connect = 0;  // connect to states shown (desktop) or the pass (scripted)
  double first_dialog = 0;
  double reload = 0;  // the check-out of one file, its reload and re-link
  double later_dialog = 0;
  double paint_gap = 0;  // the longest stretch without a paint during the connect
  long peak_kb = 0;
  long connect_peak_kb = 0;  // the desktop's peak once connected, before any dialog
  long components = 0;
  long unknown = 0;  // rows left unknown after the connect
  Step steps[kStepCount];
};

long PeakKilobytes() {
  std::ifstream in("/proc/self/status");
  for (std::string line; std::getline(in, line);) {
    if (line.starts_with("VmHWM:")) return std::stol(line.substr(6));
  }
  return 0;
}

Step Now() {
  Step step;
  std::ifstream in("/proc/self/status");
  for (std::string line; std::getline(in, line);) {
    if (line.starts_with("VmHWM:")) step.hwm_kb = std::stol(line.substr(6));
    if (line.starts_with("VmRSS:")) step.rss_kb = std::stol(line.substr(6));
  }
  const struct mallinfo2 m = mallinfo2();
  step.in_use_kb = static_cast<long>((m.uordblks + m.hblkhd) / 1024);
  step.free_kb = static_cast<long>(m.fordblks / 1024);
  return step;
}

long Components(const std::string& root) {
  std::ifstream in(root + "/components.txt");
  long n = 0;
  for (std::string line; std::getline(in, line);) ++n;
  return n;
}

// `vbhost run`: open, connect, and a marker after the pass.
Figures Scripted(const std::string& root, const std::string& bus) {
  Figures f;
  const std::string script = root + ".desktop-bench.scn";
  // The check-out dialog opened and cancelled after the pass, as the desktop's run does: the
  // peak is the host's with the dialog's list.
  std::ofstream(script) << "open " << root << "/Big.vbp\naddin connect\naddin connectaddin\nshow lockmode\n"
                        << "answer dialog frmExtract cancel\nclick Tools \"C&heck Out\"\nshow lockmode\n";
  int fds[2];
  if (pipe(fds) != 0) return f;
  const auto start = Clock::now();
  const pid_t child = fork();
  if (child == 0) {
    dup2(fds[1], 1);
    close(fds[0]);
    setenv("DBUS_SESSION_BUS_ADDRESS", bus.c_str(), 1);
    execl(NORB_BIN_DIR "/vbhost", "vbhost", "run", script.c_str(), "--format", "json", "--bus", "session",
          static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  // The engine vbhost launched inherits the pipe and outlives vbhost: the second marker ends the
  // reading. Only a marker's length of what was read is kept between reads.
  constexpr std::string_view kMarker = R"({"event":"lockmode","show":true)";
  std::string text, chunk(1 << 16, '\0');
  int markers = 0;
  for (ssize_t got; markers < 2 && (got = read(fds[0], chunk.data(), chunk.size())) > 0;) {
    text.append(chunk, 0, static_cast<std::size_t>(got));
    for (std::size_t at; (at = text.find(kMarker)) != std::string::npos; text.erase(0, at + kMarker.size())) {
      if (++markers == 1) f.connect = Seconds(Clock::now() - start).count();
    }
    if (text.size() > kMarker.size()) text.erase(0, text.size() - kMarker.size());
  }
  close(fds[0]);
  rusage usage{};
  int status = 0;
  wait4(child, &status, 0, &usage);
  f.peak_kb = usage.ru_maxrss;
  std::filesystem::remove(script);
  return f;
}

// Presses `button` on the modal form `form` once it shows; answers message boxes with their
// default button meanwhile. Calls `shown` with the form when it appears.
void AnswerWhenShown(const char* form, const char* button, const std::function<void(QWidget*)>& shown = {}) {
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, form, button, shown] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible()) return;
    if (modal->objectName() != form) return;
    timer->stop();
    timer->deleteLater();
    if (shown) shown(modal);
    modal->findChild<QPushButton*>(button)->click();
  });
  timer->start(1);
}

QAction* ToolsItem(vbgui::MainWindow& w, const QString& caption) {
  emit w.tools_menu()->aboutToShow();
  for (QAction* a : w.tools_menu()->actions()) {
    if (a->text() == caption) return a;
  }
  return nullptr;
}

// The desktop, in this (child) process: figures written to `out`.
void Desktop(const std::string& root, const std::string& bus, int out) {
  int argc = 1;
  char name[] = "desktop_bench";
  char* argv[] = {name, nullptr};
  if (!getenv("DISPLAY")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // The engine the add-in launches serves the same bus.
  setenv("DBUS_SESSION_BUS_ADDRESS", bus.c_str(), 1);
  QApplication app(argc, argv);
  const std::string windir = root + ".desktop-bench-windir";
  std::filesystem::create_directories(windir);
  Figures f;
  {
    vbgui::MainWindow w(
        vbgui::DesktopOptions{vbhost::SessionOptions{NORB_BIN_DIR, bus, true}, windir, nullptr});
    // A box nobody expected is told and closed, so that the run goes on.
    QTimer boxes;
    QObject::connect(&boxes, &QTimer::timeout, [] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        std::fprintf(stderr, "message box: %s\n", box->text().toStdString().c_str());
        box->reject();
      }
    });
    boxes.start(50);
    w.show();
    QApplication::processEvents();
    w.OpenFile(root + "/Big.vbp");
    QApplication::processEvents();
    f.steps[0] = Now();

    // Paints during the connect: the longest stretch without one.
    struct PaintWatch : QObject {
      Clock::time_point last = Clock::now();
      double gap = 0;
      bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) {
          const auto now = Clock::now();
          gap = std::max(gap, Seconds(now - last).count());
          last = now;
        }
        return false;
      }
    } watch;
    auto start = Clock::now();
    watch.last = start;
    app.installEventFilter(&watch);
    w.addins_menu()->actions().front()->trigger();
    w.Refresh();
    QApplication::processEvents();
    f.connect = Seconds(Clock::now() - start).count();
    app.removeEventFilter(&watch);
    f.paint_gap = std::max(watch.gap, Seconds(Clock::now() - watch.last).count());
    f.connect_peak_kb = PeakKilobytes();
    f.steps[1] = Now();
    const QAbstractItemModel* tree = w.tree()->model();
    std::function<void(const QModelIndex&)> count = [&](const QModelIndex& parent) {
      for (int i = 0; i < tree->rowCount(parent); ++i) {
        QVariant state = tree->index(i, 0, parent).data(vbgui::ProjectTree::kStateRole);
        if (state.isValid() && state.toInt() == vbgui::kStateUnknown) ++f.unknown;
        count(tree->index(i, 0, parent));
      }
    };
    count({});

    auto dialog = [&](double& seconds, int step) {
      const auto opened = Clock::now();
      AnswerWhenShown("frmExtract", "cmdCancel", [&](QWidget*) {
        seconds = Seconds(Clock::now() - opened).count();
        f.steps[step] = Now();
      });
      ToolsItem(w, "C&heck Out")->trigger();
      QApplication::processEvents();
      f.steps[step + 1] = Now();
    };
    dialog(f.first_dialog, 2);
    // A check-out of the first row not locked: the add-in has the project reloaded and re-links.
    start = Clock::now();
    AnswerWhenShown("frmExtract", "cmdOK", [&f](QWidget* form) {
      f.steps[4] = Now();
      auto* list = form->findChild<QTreeView*>("ListView1");
      list->selectionModel()->clearSelection();
      for (int i = 0; i < list->model()->rowCount(); ++i) {
        const QString state = list->model()->index(i, 2).data().toString();
        if (state.contains("no lock") || state.isEmpty()) {
          list->selectionModel()->select(list->model()->index(i, 0),
                                         QItemSelectionModel::Select | QItemSelectionModel::Rows);
          break;
        }
      }
    });
    ToolsItem(w, "C&heck Out")->trigger();
    w.Refresh();
    QApplication::processEvents();
    f.reload = Seconds(Clock::now() - start).count();
    f.steps[5] = Now();
    dialog(f.later_dialog, 6);
    w.addins_menu()->actions().front()->trigger();
  }
  std::filesystem::remove_all(windir);
  f.components = Components(root);
  if (write(out, &f, sizeof f) != sizeof f) _exit(1);
}

Figures DesktopRun(const std::string& root, const std::string& bus) {
  int fds[2];
  Figures f;
  if (pipe(fds) != 0) return f;
  const pid_t child = fork();
  if (child == 0) {
    close(fds[0]);
    Desktop(root, bus, fds[1]);
    _exit(0);
  }
  close(fds[1]);
  if (read(fds[0], &f, sizeof f) != sizeof f)
    std::fprintf(stderr, "%s: the desktop run failed\n", root.c_str());
  close(fds[0]);
  rusage usage{};
  int status = 0;
  wait4(child, &status, 0, &usage);
  f.peak_kb = usage.ru_maxrss;
  return f;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: desktop_bench ROOT...  (projects made by bench/make_project)\n");
    return 2;
  }
  std::printf(
      "| components | scripted pass | desktop connect (x) | first dialog | reload + re-link | dialog after "
      "(x) | per component | longest unpainted | unknown after connect | scripted peak | desktop peak "
      "connected "
      "(+) | desktop peak with dialogs (+) |\n"
      "|---|---|---|---|---|---|---|---|---|---|---|---|\n");
  double first_per = 0;
  std::fflush(stdout);
  std::vector<Figures> desktops;
  for (int i = 1; i < argc; ++i) {
    const std::string root = std::filesystem::absolute(argv[i]).string();
    Figures s, d;
    {
      dde::PrivateBus bus;
      s = Scripted(root, bus.Address());
    }
    std::fprintf(stderr, "%s: scripted pass %.2f s\n", root.c_str(), s.connect);
    {
      dde::PrivateBus bus;
      d = DesktopRun(root, bus.Address());
    }
    const double per = d.components ? d.connect / static_cast<double>(d.components) * 1e6 : 0;
    if (first_per == 0) first_per = per;
    std::printf(
        "| %ld | %.2f s | %.2f s (%.2fx) | %.2f s | %.2f s | %.2f s (%.2fx) | %.1f us (%.2fx) | %.0f ms | "
        "%ld | "
        "%.0f MB | %.0f MB (%+.0f MB) | %.0f MB (%+.0f MB) |\n",
        d.components, s.connect, d.connect, s.connect > 0 ? d.connect / s.connect : 0, d.first_dialog,
        d.reload, d.later_dialog, d.first_dialog > 0 ? d.later_dialog / d.first_dialog : 0, per,
        per / first_per, d.paint_gap * 1e3, d.unknown, s.peak_kb / 1024.0, d.connect_peak_kb / 1024.0,
        (d.connect_peak_kb - s.peak_kb) / 1024.0, d.peak_kb / 1024.0, (d.peak_kb - s.peak_kb) / 1024.0);
    std::fflush(stdout);
    desktops.push_back(d);
  }
  // Where the desktop's memory goes, step by step: resident (peak so far), malloc in use / free.
  std::printf("\n| step |");
  for (const Figures& d : desktops) std::printf(" %ld components |", d.components);
  std::printf("\n|---|");
  for (std::size_t i = 0; i < desktops.size(); ++i) std::printf("---|");
  for (int step = 0; step < kStepCount; ++step) {
    std::printf("\n| %s |", kSteps[step]);
    for (const Figures& d : desktops) {
      const Step& s = d.steps[step];
      std::printf(" %.0f MB (%.0f MB); %.0f / %.0f MB |", s.rss_kb / 1024.0, s.hwm_kb / 1024.0,
                  s.in_use_kb / 1024.0, s.free_kb / 1024.0);
    }
  }
  std::printf("\n");
  return 0;
}
