#include "gui/project_tree.hpp"

#include <QHeaderView>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>
#include <QTreeWidget>
#include <algorithm>
#include <map>

#include "addin/main_module.hpp"
#include "addin/operations/dialog_images.hpp"
#include "gui/text.hpp"
#include "vbrt/error.hpp"
#include "vbrt/strings.hpp"

namespace vbgui {

namespace {

using vbhost::ComponentKind;

const char* FolderOf(ComponentKind kind) {
  switch (kind) {
    case ComponentKind::Form:
      return "Forms";
    case ComponentKind::Module:
      return "Modules";
    case ComponentKind::Class:
      return "Class Modules";
    case ComponentKind::UserControl:
      return "User Controls";
    case ComponentKind::PropertyPage:
      return "Property Pages";
    case ComponentKind::UserDocument:
      return "User Documents";
    case ComponentKind::Designer:
      return "Designers";
    case ComponentKind::RelatedDocument:
    case ComponentKind::ResourceFile:
      return "Related Documents";
  }
  return "Related Documents";
}

constexpr ComponentKind kFolderOrder[] = {ComponentKind::Form,         ComponentKind::Module,
                                          ComponentKind::Class,        ComponentKind::UserControl,
                                          ComponentKind::PropertyPage, ComponentKind::UserDocument,
                                          ComponentKind::Designer,     ComponentKind::RelatedDocument};

// The picture the option dialogs show for a state (their image list's), so that a state looks
// the same in the tree; a state not known has a picture of its own.
const QIcon& StateIcon(long state) {
  static const std::map<long, QIcon> icons = [] {
    std::vector<platform::Picture> images = norb::DialogImageList();
    auto image = [&](std::size_t index) { return QIcon(QPixmap(images.at(index).xpm)); };
    QPixmap unknown(16, 16);
    unknown.fill(Qt::transparent);
    QPainter p(&unknown);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(120, 120, 120), 1, Qt::DashLine));
    p.drawRect(QRectF(1.5, 1.5, 13, 13));
    QFont font = p.font();
    font.setPixelSize(12);
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(90, 90, 90));
    p.drawText(QRectF(0, 0, 16, 16), Qt::AlignCenter, "?");
    p.end();
    // The dialogs show image 1 for a file without an archive too.
    return std::map<long, QIcon>{{kStateUnknown, QIcon(unknown)},
                                 {norb::NoLockFile, image(0)},
                                 {norb::NotCheckedOut, image(0)},
                                 {norb::CheckedOutToYou, image(1)},
                                 {norb::CheckedOutToOther, image(2)}};
  }();
  auto found = icons.find(state);
  return found != icons.end() ? found->second : icons.at(kStateUnknown);
}

std::string Lower(std::string_view s) { return vb::LCase(vb::Trim(std::string(s))); }

QString FileNameOf(const std::string& path) { return FromCp(path.substr(path.find_last_of('\\') + 1)); }

}  // namespace

std::optional<LockAnswer> ParseLockAnswer(std::string_view text) {
  std::string first(text.substr(0, text.find_first_of("\r\n")));
  // In the order the add-in weighs them: the last phrase found wins.
  struct Phrase {
    std::string_view words;
    long state;
  };
  constexpr Phrase kPhrases[] = {{" is not checked out", norb::NotCheckedOut},
                                 {" is checked out to someone else", norb::CheckedOutToOther},
                                 {" is checked out to you", norb::CheckedOutToYou},
                                 {": NO LOCK FILE", norb::NoLockFile}};
  std::optional<LockAnswer> answer;
  for (const Phrase& phrase : kPhrases) {
    const std::string haystack = phrase.state == norb::NoLockFile ? vb::UCase(first) : vb::LCase(first);
    std::size_t at = haystack.find(phrase.words);
    if (at == std::string::npos) continue;
    answer = LockAnswer{first.substr(0, at), phrase.state, {}, {}};
  }
  if (!answer || (answer->state != norb::CheckedOutToYou && answer->state != norb::CheckedOutToOther))
    return answer;
  // The lock report's data line, under its line of hyphens: the holder in 28 characters, then
  // "locked revision N".
  std::string rest(text.substr(first.size()));
  std::size_t rule = rest.find("----");
  if (rule == std::string::npos) return answer;
  std::size_t start = rest.find('\n', rule);
  if (start == std::string::npos) return answer;
  std::string line = rest.substr(start + 1, rest.find_first_of("\r\n", start + 1) - start - 1);
  constexpr std::string_view kRevision = "locked revision ";
  std::size_t at = line.find(kRevision);
  if (at == std::string::npos) return answer;
  answer->holder = vb::Trim(line.substr(0, at));
  answer->revision = vb::Trim(line.substr(at + kRevision.size()));
  return answer;
}

QString StateToolTip(long state, const LockAnswer* answer) {
  // The texts without a holder are shared by every row that shows them.
  static const QString kUnknown = "Lock state unknown: not checked since the project was last read";
  static const QString kNoLockFile = "No lock file: not under version control";
  static const QString kNotCheckedOut = "Not checked out: read-only here, free to check out";
  static const QString kToYou = "Checked out to you";
  static const QString kToOther = "Checked out to another user";
  const bool named = answer && !answer->holder.empty();
  const QString revision = named ? ", revision " + FromCp(answer->revision) : QString();
  switch (state) {
    case kStateUnknown:
      return kUnknown;
    case norb::NoLockFile:
      return kNoLockFile;
    case norb::NotCheckedOut:
      return kNotCheckedOut;
    case norb::CheckedOutToYou:
      return named ? kToYou + revision : kToYou;
    case norb::CheckedOutToOther:
      return named ? "Checked out to " + FromCp(answer->holder) + revision : kToOther;
    default:
      return QString("Lock state %1").arg(state);
  }
}

ProjectTree::ProjectTree(QWidget* parent, vbhost::HostApplication& app, const posix::PathResolver& resolver)
    : tree_(new QTreeWidget(parent)), app_(app), resolver_(resolver) {
  tree_->setObjectName("project");
  tree_->setHeaderLabel("Project");
  tree_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  tree_->setContextMenuPolicy(Qt::CustomContextMenu);
  // Every row is one line: the view need not measure each of a large project's rows.
  tree_->setUniformRowHeights(true);
}

bool ProjectTree::Stale() const {
  auto active = app_.active();
  return active.get() != project_ ||
         (active && (active->reads() != reads_ || active->components().size() != rows_.size()));
}

void ProjectTree::Index() {
  auto active = app_.active();
  project_ = active.get();
  reads_ = active ? active->reads() : 0;
  rows_.clear();
  by_name_.clear();
  by_file_.clear();
  by_posix_.clear();
  marked_.clear();
  known_.clear();
  project_answer_.reset();
  asked_.clear();
  built_ = false;
  if (!active) return;
  rows_.reserve(active->components().size());
  for (const auto& c : active->components()) {
    by_name_.emplace(c->Name(), rows_.size());
    if (!c->files().empty()) by_file_.emplace(Lower(c->files()[0]), rows_.size());
    Row row;
    row.component = c.get();
    rows_.push_back(row);
  }
}

void ProjectTree::Show(const std::vector<std::string>& group) {
  auto active = app_.active();
  bool same = !Stale() && built_ && group == group_;
  // A component of the same read may have been replaced (a kept project's reload).
  for (std::size_t i = 0; same && i < rows_.size(); ++i)
    same = rows_[i].component == active->components()[i].get();
  if (!same) {
    if (Stale()) Index();
    Build(group);
    return;
  }
  for (Row& row : rows_) UpdateRow(row);
  marked_.clear();
  UpdateProjectRow();
}

void ProjectTree::ShowMarked(const std::vector<std::string>& group) {
  if (Stale() || !built_ || group != group_) {
    Show(group);
    return;
  }
  for (std::size_t i : marked_) UpdateRow(rows_[i]);
  marked_.clear();
  UpdateProjectRow();
}

void ProjectTree::Build(const std::vector<std::string>& group) {
  QString current = tree_->currentItem() ? tree_->currentItem()->data(0, kNameRole).toString() : QString();
  QStringList selected;
  for (QTreeWidgetItem* item : tree_->selectedItems()) selected << item->data(0, kNameRole).toString();
  std::vector<std::shared_ptr<vbhost::HostComponent>> selection;
  // Built again after a reload: the person's place in the list stays.
  const int scrolled = tree_->verticalScrollBar()->value();
  tree_->blockSignals(true);
  tree_->clear();
  project_item_ = nullptr;
  group_ = group;
  auto active = app_.active();
  std::vector<std::string> projects = group;
  if (active && std::none_of(projects.begin(), projects.end(), [&](const std::string& p) {
        return vb::LCase(p) == vb::LCase(active->FileName());
      }))
    projects.insert(projects.begin(), active->FileName());
  QTreeWidgetItem* current_item = nullptr;
  std::vector<QTreeWidgetItem*> to_select;
  QList<QTreeWidgetItem*> tops;
  for (const auto& path : projects) {
    const bool is_active = active && vb::LCase(path) == vb::LCase(active->FileName());
    auto* node = new QTreeWidgetItem;
    tops << node;
    node->setData(0, kProjectRole, FromCp(path));
    node->setData(0, kKindRole, kNoKind);
    if (!is_active) {
      node->setText(0, FileNameOf(path));
      node->setToolTip(0, FromCp(path));
      continue;
    }
    project_item_ = node;
    QFont bold = node->font(0);
    bold.setBold(true);
    node->setFont(0, bold);
    // The rows of a folder are made apart from the tree and handed to it at once.
    for (ComponentKind kind : kFolderOrder) {
      QList<QTreeWidgetItem*> children;
      QTreeWidgetItem* folder = nullptr;
      for (std::size_t i = 0; i < rows_.size(); ++i) {
        vbhost::HostComponent* c = rows_[i].component;
        if (FolderOf(c->kind()) != std::string_view(FolderOf(kind))) continue;
        if (!folder) {
          folder = new QTreeWidgetItem(QStringList(FolderOf(kind)));
          folder->setData(0, kKindRole, static_cast<int>(c->kind()));
        }
        auto* item = new QTreeWidgetItem;
        const QString name = FromCp(c->Name());
        item->setData(0, kNameRole, name);
        item->setData(0, kKindRole, static_cast<int>(c->kind()));
        rows_[i] = Row();
        rows_[i].component = c;
        rows_[i].item = item;
        UpdateRow(rows_[i]);
        if (name == current) current_item = item;
        if (selected.contains(name)) {
          to_select.push_back(item);
          selection.push_back(active->components()[i]);
        }
        children << item;
      }
      if (folder) {
        folder->addChildren(children);
        node->addChild(folder);
      }
    }
  }
  tree_->addTopLevelItems(tops);
  built_ = true;
  marked_.clear();
  UpdateProjectRow();
  // Selection is the view's, so it is set once the rows are in it.
  for (QTreeWidgetItem* item : to_select) item->setSelected(true);
  if (current_item) tree_->setCurrentItem(current_item);
  // A reload made the components afresh: the selection follows them by name.
  if (active) active->Select(std::move(selection));
  tree_->expandAll();
  tree_->doItemsLayout();
  tree_->verticalScrollBar()->setValue(scrolled);
  tree_->blockSignals(false);
}

void ProjectTree::UpdateRow(Row& row) {
  row.marked = false;
  if (!row.item) return;
  vbhost::HostComponent* c = row.component;
  auto found = known_.find(c);
  const long state = found == known_.end() ? kStateUnknown : c->State();
  const LockAnswer* answer = found == known_.end() ? nullptr : found->second.get();
  const bool dirty = c->IsDirty();
  static const std::string kNoFile;
  const std::string& file = c->files().empty() ? kNoFile : c->files()[0];
  const std::size_t file_hash = std::hash<std::string>()(file);
  if (state == row.state && dirty == row.dirty && answer == row.answer && file_hash == row.file) return;
  if (file_hash != row.file || dirty != row.dirty || row.state < kStateUnknown) {
    QString file_name = file.empty() ? QString() : FileNameOf(file);
    row.item->setText(
        0, FromCp(c->Name()) + (file_name.isEmpty() ? "" : " (" + file_name + ")") + (dirty ? " *" : ""));
  }
  if (state != row.state) {
    row.item->setIcon(0, StateIcon(state));
    row.item->setData(0, kStateRole, static_cast<int>(state));
  }
  // The answer's holder only where the state the add-in set is a lock.
  const LockAnswer* named = answer && answer->state == state ? answer : nullptr;
  row.item->setToolTip(0, dirty ? StateToolTip(state, named) + "\nmodified" : StateToolTip(state, named));
  row.state = state;
  row.dirty = dirty;
  row.answer = answer;
  row.file = file_hash;
}

void ProjectTree::UpdateProjectRow() {
  auto active = app_.active();
  if (!project_item_ || !active) return;
  const QString path = FromCp(active->FileName());
  const QString file = FileNameOf(active->FileName());
  project_item_->setText(0, FromCp(active->Name()) + " (" + file + ")" + (active->IsDirty() ? " *" : ""));
  const long state = project_answer_ ? project_answer_->state : kStateUnknown;
  project_item_->setIcon(0, StateIcon(state));
  project_item_->setToolTip(0, path + (group_.empty() ? "" : "\nthe startup project") + "\n" +
                                   StateToolTip(state, project_answer_ ? &*project_answer_ : nullptr));
}

void ProjectTree::MarkRow(std::size_t index) {
  if (rows_[index].marked) return;
  rows_[index].marked = true;
  marked_.push_back(index);
}

void ProjectTree::StateSet(const std::string& component) {
  if (Stale()) Index();
  auto found = by_name_.find(component);
  if (found == by_name_.end()) return;
  known_.try_emplace(rows_[found->second].component);
  MarkRow(found->second);
}

void ProjectTree::Mark(const std::string& component) {
  if (Stale()) Index();
  if (auto found = by_name_.find(component); found != by_name_.end()) MarkRow(found->second);
}

void ProjectTree::Asked(std::string_view file) {
  if (Stale()) Index();
  asked_ = Lower(file);
}

ProjectTree::Row* ProjectTree::RowOfFile(const std::string& windows_path) {
  if (auto found = by_file_.find(Lower(windows_path)); found != by_file_.end()) return &rows_[found->second];
  // Asked by its short name: the components' files are looked up as on disk, once.
  std::string posix;
  try {
    posix = resolver_.ToPosix(windows_path);
    if (by_posix_.empty()) {
      for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (!rows_[i].component->files().empty())
          by_posix_.emplace(resolver_.ToPosix(rows_[i].component->files()[0]), i);
      }
    }
  } catch (const vb::Error&) {
    return nullptr;
  }
  auto found = by_posix_.find(posix);
  return found == by_posix_.end() ? nullptr : &rows_[found->second];
}

void ProjectTree::Read(std::string_view text) {
  if (asked_.empty()) return;
  if (Stale()) Index();
  std::optional<LockAnswer> answer = ParseLockAnswer(text);
  // Only the answer about the file just asked: the link may still hold an earlier one.
  if (!answer || Lower(answer->file) != asked_) return;
  auto active = app_.active();
  if (!active) return;
  if (Row* row = RowOfFile(answer->file)) {
    // Only an answer that names a holder tells more than the state: the others are kept as known.
    auto& known = known_[row->component];
    const bool changed = answer->holder.empty()
                             ? known != nullptr
                             : !known || known->state != answer->state || known->holder != answer->holder ||
                                   known->revision != answer->revision;
    if (changed) {
      answer->file.clear();
      known = answer->holder.empty() ? nullptr : std::make_unique<LockAnswer>(std::move(*answer));
      // Drawn again whatever it showed: a new answer may sit where the old one was.
      row->state = kStateUnknown - 1;
    }
    MarkRow(static_cast<std::size_t>(row - rows_.data()));
    return;
  }
  bool is_project = Lower(active->FileName()) == Lower(answer->file);
  if (!is_project) {
    try {
      is_project = resolver_.ToPosix(answer->file) == resolver_.ToPosix(active->FileName());
    } catch (const vb::Error&) {
    }
  }
  if (is_project) project_answer_ = std::move(*answer);
}

}  // namespace vbgui
