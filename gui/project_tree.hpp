// The Project window: the group's projects, and the active one's folders and components with the
// lock states the add-in found. The tree is built once per read of the project; afterwards a row
// is brought up to date on its own when the add-in sets its state or reads the engine's answer for
// its file, so a lock pass over a large project costs a row per component, not a tree.
#pragma once

#include <QtCore/qnamespace.h>
#include <QString>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "host/ide_model.hpp"

class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

namespace vbgui {

// A lock state shown that no pass has told since the project was last read: the add-in's pass
// stopped before the component (an unsaved one it may not query), or has not run.
inline constexpr long kStateUnknown = -1;

// What the engine's answer to a lock query ("T file") says.
struct LockAnswer {
  std::string file;  // as the answer names it
  long state = 0;    // as the add-in reads it: 0, 1, 3 or 5
  std::string holder;
  std::string revision;
};
std::optional<LockAnswer> ParseLockAnswer(std::string_view text);

// The tooltip of a state; `answer` adds the holder and revision the engine named.
QString StateToolTip(long state, const LockAnswer* answer = nullptr);

class ProjectTree {
 public:
  static constexpr int kNameRole = Qt::UserRole;
  static constexpr int kKindRole = Qt::UserRole + 1;
  static constexpr int kProjectRole = Qt::UserRole + 2;
  static constexpr int kStateRole = Qt::UserRole + 3;  // the state shown, kStateUnknown included
  static constexpr int kNoKind = -1;

  ProjectTree(QWidget* parent, vbhost::HostApplication& app, const posix::PathResolver& resolver);
  QTreeWidget* widget() const { return tree_; }

  // The active project among the group's (Windows paths, the startup one first; empty for a lone
  // project): built again when the project was read again or another is active, else every row
  // brought up to date.
  void Show(const std::vector<std::string>& group);
  // Only the rows marked since the last update; the whole tree when the project was read again.
  void ShowMarked(const std::vector<std::string>& group);
  // The add-in set the component's state: it is known from now on.
  void StateSet(const std::string& component);
  // The component's row is to be brought up to date (a save).
  void Mark(const std::string& component);
  // The add-in sent a lock query for `file`, then read `text` from the link: an answer naming
  // the file asked about tells that file's state.
  void Asked(std::string_view file);
  void Read(std::string_view text);

 private:
  struct Row {
    vbhost::HostComponent* component = nullptr;
    QTreeWidgetItem* item = nullptr;
    // What the row shows, to tell whether it needs drawing again.
    long state = kStateUnknown - 1;
    bool dirty = false;
    std::size_t file = 0;  // the first file's hash
    const LockAnswer* answer = nullptr;
    bool marked = false;
  };
  // The rows' index of the active project, made again when it was read again.
  void Index();
  bool Stale() const;
  void Build(const std::vector<std::string>& group);
  void UpdateRow(Row& row);
  void UpdateProjectRow();
  Row* RowOfFile(const std::string& windows_path);
  void MarkRow(std::size_t index);

  QTreeWidget* tree_;
  vbhost::HostApplication& app_;
  const posix::PathResolver& resolver_;
  // The project (and its read) the index and what is known belong to.
  const vbhost::HostProject* project_ = nullptr;
  unsigned long reads_ = 0;
  std::vector<Row> rows_;
  std::unordered_map<std::string, std::size_t> by_name_;
  std::unordered_map<std::string, std::size_t> by_file_;   // the first file, in lower case
  std::unordered_map<std::string, std::size_t> by_posix_;  // made when a name is not found as given
  std::vector<std::size_t> marked_;
  // The components the add-in told a state of since the read, with the engine's answer where it
  // named a holder.
  std::unordered_map<const vbhost::HostComponent*, std::unique_ptr<LockAnswer>> known_;
  std::optional<LockAnswer> project_answer_;
  std::string asked_;  // the file of the last lock query, in lower case
  bool built_ = false;
  std::vector<std::string> group_;
  QTreeWidgetItem* project_item_ = nullptr;
};

}  // namespace vbgui
