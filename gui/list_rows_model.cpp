#include "gui/list_rows_model.hpp"

#include <QMetaObject>
#include <utility>

#include "gui/text.hpp"
#include "host/form_view.hpp"
#include "vbrt/common_controls.hpp"

namespace vbgui {

ListRowsModel::ListRowsModel(const vb::ListView& list, std::function<void()> stale, QObject* parent)
    : QAbstractTableModel(parent), list_(&list), stale_(std::move(stale)) {}

void ListRowsModel::Reset(std::vector<QIcon> icons) {
  beginResetModel();
  icons_ = std::move(icons);
  rows_ = list_ ? list_->Count() : 0;
  generation_ = list_ ? list_->Generation() : 0;
  endResetModel();
}

void ListRowsModel::Detach() {
  beginResetModel();
  list_ = nullptr;
  rows_ = 0;
  endResetModel();
}

vb::ListItem* ListRowsModel::Row(int row) const {
  if (!list_ || row < 0 || row >= rows_) return nullptr;
  if (list_->Generation() != generation_) {
    // Not read now: a paint may come while the add-in is still filling the list.
    if (!queued_ && stale_) {
      queued_ = true;
      QMetaObject::invokeMethod(
          const_cast<ListRowsModel*>(this),
          [this] {
            queued_ = false;
            stale_();
          },
          Qt::QueuedConnection);
    }
    return nullptr;
  }
  const auto& order = list_->Ordered();
  return row < static_cast<int>(order.size()) ? order[static_cast<std::size_t>(row)] : nullptr;
}

int ListRowsModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int ListRowsModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() || !list_ ? 0 : static_cast<int>(list_->ColumnHeaders().size());
}

QVariant ListRowsModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole && role != Qt::DecorationRole) return {};
  const vb::ListItem* row = Row(index.row());
  if (!row) return {};
  if (role == Qt::DecorationRole) {
    if (index.column() != 0 || row->SmallIcon < 1 || row->SmallIcon > static_cast<int>(icons_.size()))
      return {};
    return icons_[static_cast<std::size_t>(row->SmallIcon - 1)];
  }
  return index.column() == 0 ? FromCp(row->Text) : FromCp(vbhost::SubItemText(*row, index.column()));
}

QVariant ListRowsModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (!list_ || orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
      section >= static_cast<int>(list_->ColumnHeaders().size()))
    return {};
  return FromCp(list_->ColumnHeaders()[static_cast<std::size_t>(section)].Text);
}

}  // namespace vbgui
