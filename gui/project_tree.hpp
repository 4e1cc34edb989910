// The Project window: the group's projects, and the active one's folders and components with the
// lock states the add-in found. It is a model over the project's own components: a row holds what
// it shows of the lock state and no texts, which are made as the view draws the row. The folders
// are sorted once per read of the project; afterwards a row is brought up to date on its own when
// the add-in sets its state or reads the engine's answer for its file, so a lock pass over a large
// project costs a row per component, not a tree.
#pragma once

#include <QtCore/qnamespace.h>
#include <QAbstractItemModel>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "host/ide_model.hpp"

class QTreeView;
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

class ProjectTree final : public QAbstractItemModel {
 public:
  static constexpr int kNameRole = Qt::UserRole;
  static constexpr int kKindRole = Qt::UserRole + 1;
  static constexpr int kProjectRole = Qt::UserRole + 2;
  static constexpr int kStateRole = Qt::UserRole + 3;  // the state shown, kStateUnknown included
  static constexpr int kNoKind = -1;

  // `to_posix` names a Windows path's file on disk (raising vb::Error when it cannot), so that
  // an answer naming a file by its short name finds its row.
  using ToPosix = std::function<std::string(const std::string&)>;
  ProjectTree(QWidget* parent, vbhost::HostApplication& app, ToPosix to_posix);
  ~ProjectTree() override;
  QTreeView* widget() const { return view_; }

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

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

 private:
  // A component's row: what it shows, to tell whether it needs drawing again.
  struct Row {
    vbhost::HostComponent* component = nullptr;
    const LockAnswer* answer = nullptr;
    std::size_t file = 0;  // the first file's hash
    long state = kStateUnknown - 1;
    std::uint32_t place = 0;  // in its folder
    std::uint8_t folder = 0;
    bool dirty = false;
    bool marked = false;
    bool redraw = false;  // an answer it showed was replaced
  };
  struct Folder {
    vbhost::ComponentKind kind;
    std::vector<std::uint32_t> rows;  // into rows_, in the project's order
  };
  // Rows by a key (a name, a file): the key's hash and the row, 16 bytes a row, the key itself
  // compared at the rows of its hash. A project of 100,000 components keeps no second copy of its
  // names and paths here.
  class RowIndex {
   public:
    void Clear() { entries_.clear(); }
    bool Empty() const { return entries_.empty(); }
    void Add(std::string_view key, std::size_t row);
    // Once every row is added.
    void Sort();
    // The first row of the key's hash that `is_key` accepts; nullopt when none does.
    std::optional<std::size_t> Find(std::string_view key,
                                    const std::function<bool(std::size_t row)>& is_key) const;

   private:
    std::vector<std::pair<std::size_t, std::size_t>> entries_;
  };
  // The rows' index of the active project, made again when it was read again.
  void Index();
  std::optional<std::size_t> RowOfName(const std::string& component) const;
  bool Stale() const;
  void Build(const std::vector<std::string>& group);
  // Answers whether the row shows anything new.
  bool UpdateRow(Row& row);
  // Tells the view the rows that changed, a stretch per folder.
  void Changed(const std::vector<std::size_t>& rows);
  void UpdateProjectRow();
  Row* RowOfFile(const std::string& windows_path);
  void MarkRow(std::size_t index);
  // The component a row stands for while its project's read is the one shown, else null.
  const vbhost::HostComponent* Live(std::size_t index) const;
  QVariant ProjectData(int top, int role) const;
  QVariant ComponentData(const Row& row, const vbhost::HostComponent& c, int role) const;
  // Notes the person's current and selected rows by name, while their components are at hand.
  void RememberSelection();

  QTreeView* view_;
  vbhost::HostApplication& app_;
  ToPosix to_posix_;
  // The project (and its read) the index and what is known belong to.
  const vbhost::HostProject* project_ = nullptr;
  unsigned long reads_ = 0;
  std::vector<Row> rows_;
  std::vector<Folder> folders_;
  RowIndex by_name_;
  RowIndex by_file_;   // the first file, in lower case
  RowIndex by_posix_;  // made when a name is not found as given
  std::vector<std::size_t> marked_;
  // The components the add-in told a state of since the read, with the engine's answer where it
  // named a holder.
  std::unordered_map<const vbhost::HostComponent*, std::unique_ptr<LockAnswer>> known_;
  std::optional<LockAnswer> project_answer_;
  std::string asked_;  // the file of the last lock query, in lower case
  bool built_ = false;
  std::vector<std::string> group_;
  // The projects at the top, the active one among them at `active_top_` (-1: none).
  std::vector<std::string> tops_;
  int active_top_ = -1;
  // The person's place, by component name: a reload makes the components afresh.
  QString current_;
  QStringList selected_;
};

}  // namespace vbgui
