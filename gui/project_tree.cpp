#include "gui/project_tree.hpp"

#include <QFont>
#include <QHeaderView>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTreeView>
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

// A row's internal id says where it stands: a project at the top, a folder of the active one, or
// a component of the folder numbered id - kInFolder.
constexpr quintptr kTop = 0;
constexpr quintptr kFolderRow = 1;
constexpr quintptr kInFolder = 2;

ProjectTree::ProjectTree(QWidget* parent, vbhost::HostApplication& app, ToPosix to_posix)
    : view_(new QTreeView(parent)), app_(app), to_posix_(std::move(to_posix)) {
  view_->setObjectName("project");
  view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  view_->setContextMenuPolicy(Qt::CustomContextMenu);
  // Every row is one line: the view need not measure each of a large project's rows.
  view_->setUniformRowHeights(true);
  view_->setModel(this);
  QObject::connect(view_->selectionModel(), &QItemSelectionModel::selectionChanged, view_,
                   [this] { RememberSelection(); });
  QObject::connect(view_->selectionModel(), &QItemSelectionModel::currentChanged, view_,
                   [this] { RememberSelection(); });
}

void ProjectTree::RememberSelection() {
  // Between a reload and the next build the rows name nothing: what was noted before stands.
  if (!built_) return;
  current_ = view_->currentIndex().data(kNameRole).toString();
  selected_.clear();
  for (const QModelIndex& index : view_->selectionModel()->selectedIndexes()) {
    if (QString name = index.data(kNameRole).toString(); !name.isEmpty()) selected_ << name;
  }
}

ProjectTree::~ProjectTree() {
  // The view outlives the model when the window goes: it is told now, not from the model's end.
  view_->setModel(nullptr);
}

bool ProjectTree::Stale() const {
  auto active = app_.active();
  return active.get() != project_ ||
         (active && (active->reads() != reads_ || active->components().size() != rows_.size()));
}

const vbhost::HostComponent* ProjectTree::Live(std::size_t index) const {
  auto active = app_.active();
  if (!active || active.get() != project_ || active->reads() != reads_ ||
      index >= active->components().size())
    return nullptr;
  return active->components()[index].get();
}

void ProjectTree::RowIndex::Add(std::string_view key, std::size_t row) {
  entries_.emplace_back(std::hash<std::string_view>()(key), row);
}

void ProjectTree::RowIndex::Sort() { std::sort(entries_.begin(), entries_.end()); }

std::optional<std::size_t> ProjectTree::RowIndex::Find(
    std::string_view key, const std::function<bool(std::size_t row)>& is_key) const {
  const std::size_t hash = std::hash<std::string_view>()(key);
  for (auto at = std::lower_bound(entries_.begin(), entries_.end(), std::make_pair(hash, std::size_t{0}));
       at != entries_.end() && at->first == hash; ++at) {
    if (is_key(at->second)) return at->second;
  }
  return std::nullopt;
}

std::optional<std::size_t> ProjectTree::RowOfName(const std::string& component) const {
  return by_name_.Find(component, [&](std::size_t row) { return rows_[row].component->Name() == component; });
}

void ProjectTree::Index() {
  auto active = app_.active();
  project_ = active.get();
  reads_ = active ? active->reads() : 0;
  rows_.clear();
  by_name_.Clear();
  by_file_.Clear();
  by_posix_.Clear();
  marked_.clear();
  known_.clear();
  project_answer_.reset();
  asked_.clear();
  built_ = false;
  if (!active) return;
  rows_.reserve(active->components().size());
  for (const auto& c : active->components()) {
    by_name_.Add(c->Name(), rows_.size());
    if (!c->files().empty()) by_file_.Add(Lower(c->files()[0]), rows_.size());
    Row row;
    row.component = c.get();
    rows_.push_back(row);
  }
  by_name_.Sort();
  by_file_.Sort();
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
  std::vector<std::size_t> changed;
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    if (UpdateRow(rows_[i])) changed.push_back(i);
  }
  marked_.clear();
  Changed(changed);
  UpdateProjectRow();
}

void ProjectTree::ShowMarked(const std::vector<std::string>& group) {
  if (Stale() || !built_ || group != group_) {
    Show(group);
    return;
  }
  std::vector<std::size_t> changed;
  for (std::size_t i : marked_) {
    if (UpdateRow(rows_[i])) changed.push_back(i);
  }
  marked_.clear();
  Changed(changed);
  UpdateProjectRow();
}

void ProjectTree::Build(const std::vector<std::string>& group) {
  const QString current = current_;
  const QSet<QString> selected(selected_.begin(), selected_.end());
  // Built again after a reload: the person's place in the list stays.
  const int scrolled = view_->verticalScrollBar()->value();
  beginResetModel();
  group_ = group;
  auto active = app_.active();
  tops_ = group;
  active_top_ = -1;
  folders_.clear();
  if (active && std::none_of(tops_.begin(), tops_.end(), [&](const std::string& p) {
        return vb::LCase(p) == vb::LCase(active->FileName());
      }))
    tops_.insert(tops_.begin(), active->FileName());
  for (std::size_t t = 0; active && t < tops_.size(); ++t) {
    if (vb::LCase(tops_[t]) == vb::LCase(active->FileName())) {
      active_top_ = static_cast<int>(t);
      break;
    }
  }
  if (active_top_ >= 0) {
    for (ComponentKind kind : kFolderOrder) {
      Folder folder{kind, {}};
      for (std::size_t i = 0; i < rows_.size(); ++i) {
        // The project's own, in case one of the same read was replaced.
        vbhost::HostComponent* c = active->components()[i].get();
        if (FolderOf(c->kind()) != std::string_view(FolderOf(kind))) continue;
        // The folder is named for its first component's kind, as the IDE lists it.
        if (folder.rows.empty()) folder.kind = c->kind();
        rows_[i] = Row();
        rows_[i].component = c;
        rows_[i].folder = static_cast<std::uint8_t>(folders_.size());
        rows_[i].place = static_cast<std::uint32_t>(folder.rows.size());
        UpdateRow(rows_[i]);
        folder.rows.push_back(static_cast<std::uint32_t>(i));
      }
      if (!folder.rows.empty()) folders_.push_back(std::move(folder));
    }
  }
  built_ = true;
  marked_.clear();
  endResetModel();
  // Selection is the view's, so it is set once the rows are in it; the session hears of it once.
  std::vector<std::shared_ptr<vbhost::HostComponent>> selection;
  QItemSelection rows;
  QModelIndex current_index;
  for (std::size_t f = 0; f < folders_.size(); ++f) {
    for (std::size_t p = 0; p < folders_[f].rows.size(); ++p) {
      const std::uint32_t i = folders_[f].rows[p];
      if (current.isEmpty() && selected.isEmpty()) break;
      const QString name = FromCp(rows_[i].component->Name());
      const QModelIndex at = createIndex(static_cast<int>(p), 0, kInFolder + f);
      if (name == current) current_index = at;
      if (selected.contains(name)) {
        rows.select(at, at);
        selection.push_back(active->components()[i]);
      }
    }
  }
  {
    const QSignalBlocker quiet(view_->selectionModel());
    if (current_index.isValid())
      view_->selectionModel()->setCurrentIndex(current_index, QItemSelectionModel::NoUpdate);
    view_->selectionModel()->select(rows, QItemSelectionModel::ClearAndSelect);
  }
  RememberSelection();
  // A reload made the components afresh: the selection follows them by name.
  if (active) active->Select(std::move(selection));
  view_->expandAll();
  view_->doItemsLayout();
  view_->verticalScrollBar()->setValue(scrolled);
  view_->viewport()->update();
}

bool ProjectTree::UpdateRow(Row& row) {
  row.marked = false;
  vbhost::HostComponent* c = row.component;
  auto found = known_.find(c);
  const long state = found == known_.end() ? kStateUnknown : c->State();
  const LockAnswer* answer = found == known_.end() ? nullptr : found->second.get();
  const bool dirty = c->IsDirty();
  static const std::string kNoFile;
  const std::string& file = c->files().empty() ? kNoFile : c->files()[0];
  const std::size_t file_hash = std::hash<std::string>()(file);
  if (state == row.state && dirty == row.dirty && answer == row.answer && file_hash == row.file &&
      !row.redraw)
    return false;
  row.state = state;
  row.dirty = dirty;
  row.answer = answer;
  row.file = file_hash;
  row.redraw = false;
  return true;
}

void ProjectTree::Changed(const std::vector<std::size_t>& rows) {
  if (rows.empty() || active_top_ < 0) return;
  struct Stretch {
    std::uint32_t first = UINT32_MAX, last = 0;
  };
  std::vector<Stretch> stretches(folders_.size());
  for (std::size_t i : rows) {
    Stretch& s = stretches[rows_[i].folder];
    s.first = std::min(s.first, rows_[i].place);
    s.last = std::max(s.last, rows_[i].place);
  }
  for (std::size_t f = 0; f < stretches.size(); ++f) {
    if (stretches[f].first > stretches[f].last) continue;
    emit dataChanged(createIndex(static_cast<int>(stretches[f].first), 0, kInFolder + f),
                     createIndex(static_cast<int>(stretches[f].last), 0, kInFolder + f));
  }
}

void ProjectTree::UpdateProjectRow() {
  if (active_top_ < 0) return;
  const QModelIndex at = createIndex(active_top_, 0, kTop);
  emit dataChanged(at, at);
}

QModelIndex ProjectTree::index(int row, int column, const QModelIndex& parent) const {
  if (row < 0 || column != 0) return {};
  if (!parent.isValid())
    return static_cast<std::size_t>(row) < tops_.size() ? createIndex(row, 0, kTop) : QModelIndex();
  if (parent.internalId() == kTop) {
    if (parent.row() != active_top_ || static_cast<std::size_t>(row) >= folders_.size()) return {};
    return createIndex(row, 0, kFolderRow);
  }
  if (parent.internalId() == kFolderRow && static_cast<std::size_t>(parent.row()) < folders_.size() &&
      static_cast<std::size_t>(row) < folders_[parent.row()].rows.size())
    return createIndex(row, 0, kInFolder + parent.row());
  return {};
}

QModelIndex ProjectTree::parent(const QModelIndex& child) const {
  if (!child.isValid() || child.internalId() == kTop) return {};
  if (child.internalId() == kFolderRow) return createIndex(active_top_, 0, kTop);
  return createIndex(static_cast<int>(child.internalId() - kInFolder), 0, kFolderRow);
}

int ProjectTree::rowCount(const QModelIndex& parent) const {
  if (!parent.isValid()) return static_cast<int>(tops_.size());
  if (parent.internalId() == kTop) return parent.row() == active_top_ ? static_cast<int>(folders_.size()) : 0;
  if (parent.internalId() == kFolderRow && static_cast<std::size_t>(parent.row()) < folders_.size())
    return static_cast<int>(folders_[parent.row()].rows.size());
  return 0;
}

int ProjectTree::columnCount(const QModelIndex& /*parent*/) const { return 1; }

QVariant ProjectTree::headerData(int section, Qt::Orientation orientation, int role) const {
  return section == 0 && orientation == Qt::Horizontal && role == Qt::DisplayRole ? QVariant("Project")
                                                                                  : QVariant();
}

QVariant ProjectTree::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  if (index.internalId() == kTop) return ProjectData(index.row(), role);
  if (index.internalId() == kFolderRow) {
    if (static_cast<std::size_t>(index.row()) >= folders_.size()) return {};
    const ComponentKind kind = folders_[index.row()].kind;
    if (role == Qt::DisplayRole) return QString(FolderOf(kind));
    if (role == kKindRole) return static_cast<int>(kind);
    return {};
  }
  const std::size_t f = index.internalId() - kInFolder;
  if (f >= folders_.size() || static_cast<std::size_t>(index.row()) >= folders_[f].rows.size()) return {};
  // Between a reload and the tree's next build the row shows nothing rather than what is gone.
  if (!built_) return {};
  const std::uint32_t i = folders_[f].rows[index.row()];
  const vbhost::HostComponent* c = Live(i);
  return c ? ComponentData(rows_[i], *c, role) : QVariant();
}

QVariant ProjectTree::ComponentData(const Row& row, const vbhost::HostComponent& c, int role) const {
  switch (role) {
    case Qt::DisplayRole: {
      const QString file = c.files().empty() ? QString() : FileNameOf(c.files()[0]);
      return FromCp(c.Name()) + (file.isEmpty() ? "" : " (" + file + ")") + (row.dirty ? " *" : "");
    }
    case Qt::DecorationRole:
      return StateIcon(row.state);
    case Qt::ToolTipRole: {
      // The answer's holder only where the state the add-in set is a lock.
      const LockAnswer* named = row.answer && row.answer->state == row.state ? row.answer : nullptr;
      return row.dirty ? StateToolTip(row.state, named) + "\nmodified" : StateToolTip(row.state, named);
    }
    case kNameRole:
      return FromCp(c.Name());
    case kKindRole:
      return static_cast<int>(c.kind());
    case kStateRole:
      return static_cast<int>(row.state);
    default:
      return {};
  }
}

QVariant ProjectTree::ProjectData(int top, int role) const {
  if (top < 0 || static_cast<std::size_t>(top) >= tops_.size()) return {};
  const std::string& path = tops_[top];
  if (role == kProjectRole) return FromCp(path);
  if (role == kKindRole) return kNoKind;
  auto active = app_.active();
  if (top != active_top_ || !active) {
    if (role == Qt::DisplayRole) return FileNameOf(path);
    if (role == Qt::ToolTipRole) return FromCp(path);
    return {};
  }
  const long state = project_answer_ ? project_answer_->state : kStateUnknown;
  switch (role) {
    case Qt::DisplayRole:
      return FromCp(active->Name()) + " (" + FileNameOf(active->FileName()) + ")" +
             (active->IsDirty() ? " *" : "");
    case Qt::DecorationRole:
      return StateIcon(state);
    case Qt::ToolTipRole:
      return FromCp(active->FileName()) + (group_.empty() ? "" : "\nthe startup project") + "\n" +
             StateToolTip(state, project_answer_ ? &*project_answer_ : nullptr);
    case Qt::FontRole: {
      QFont bold = view_->font();
      bold.setBold(true);
      return bold;
    }
    default:
      return {};
  }
}

void ProjectTree::MarkRow(std::size_t index) {
  if (rows_[index].marked) return;
  rows_[index].marked = true;
  marked_.push_back(index);
}

void ProjectTree::StateSet(const std::string& component) {
  if (Stale()) Index();
  const std::optional<std::size_t> row = RowOfName(component);
  if (!row) return;
  known_.try_emplace(rows_[*row].component);
  MarkRow(*row);
}

void ProjectTree::Mark(const std::string& component) {
  if (Stale()) Index();
  if (const std::optional<std::size_t> row = RowOfName(component)) MarkRow(*row);
}

void ProjectTree::Asked(std::string_view file) {
  if (Stale()) Index();
  asked_ = Lower(file);
}

ProjectTree::Row* ProjectTree::RowOfFile(const std::string& windows_path) {
  auto first_file = [this](std::size_t row) -> const std::string* {
    const auto& files = rows_[row].component->files();
    return files.empty() ? nullptr : &files[0];
  };
  const std::string lower = Lower(windows_path);
  if (auto row = by_file_.Find(
          lower, [&](std::size_t r) { return first_file(r) && Lower(*first_file(r)) == lower; }))
    return &rows_[*row];
  // Asked by its short name: the components' files are looked up as on disk, once.
  auto posix_of = [this](const std::string& file) {
    try {
      return to_posix_(file);
    } catch (const vb::Error&) {
      return std::string();
    }
  };
  const std::string posix = posix_of(windows_path);
  if (posix.empty()) return nullptr;
  if (by_posix_.Empty()) {
    for (std::size_t i = 0; i < rows_.size(); ++i) {
      if (first_file(i)) by_posix_.Add(posix_of(*first_file(i)), i);
    }
    by_posix_.Sort();
  }
  auto row = by_posix_.Find(posix, [&](std::size_t r) { return posix_of(*first_file(r)) == posix; });
  return row ? &rows_[*row] : nullptr;
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
      // The row no longer points at the answer it showed; drawn again whatever it shows, as a new
      // answer may sit where the old one was.
      row->answer = nullptr;
      row->redraw = true;
    }
    MarkRow(static_cast<std::size_t>(row - rows_.data()));
    return;
  }
  bool is_project = Lower(active->FileName()) == Lower(answer->file);
  if (!is_project) {
    try {
      is_project = to_posix_(answer->file) == to_posix_(active->FileName());
    } catch (const vb::Error&) {
    }
  }
  if (is_project) project_answer_ = std::move(*answer);
}

}  // namespace vbgui
