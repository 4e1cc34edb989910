// A form's ListView as a Qt model over the control's own rows: the view holds no item per row, and
// a row's texts are made as it is drawn. The add-in adds and clears rows without telling the
// window, so the model keeps the list's generation from when the view last read its rows; while
// the list has another, every row the view asks for is left blank and a fresh read is queued,
// since the rows the view remembers may be gone.
#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <cstdint>
#include <functional>
#include <vector>

namespace vb {
class ListItem;
class ListView;
}  // namespace vb

namespace vbgui {

class ListRowsModel : public QAbstractTableModel {
 public:
  // `stale` runs, queued, once the list has changed under the view: the window reads it afresh.
  ListRowsModel(const vb::ListView& list, std::function<void()> stale, QObject* parent);

  // Reads the list again (its rows and their order); `icons` serve the rows' SmallIcon, 1-based.
  void Reset(std::vector<QIcon> icons);
  // The list is gone with its form: no rows from now on.
  void Detach();
  // The row shown at `row`, or null when there is none or the list changed since the last Reset.
  vb::ListItem* Row(int row) const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  const vb::ListView* list_;
  std::function<void()> stale_;
  std::vector<QIcon> icons_;
  int rows_ = 0;
  std::uint64_t generation_ = 0;
  mutable bool queued_ = false;
};

}  // namespace vbgui
