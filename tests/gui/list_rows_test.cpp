// A dialog's ListView as the window shows it, when the add-in changes the rows behind its back.
#include <gtest/gtest.h>

#include <QApplication>
#include <QItemSelectionModel>
#include <QTreeView>
#include <string>

#include "gui/form_window.hpp"
#include "tests/fakes/fake_services.hpp"
#include "vbrt/common_controls.hpp"
#include "vbrt/forms.hpp"

namespace {

class FrmList : public vb::Form {
 public:
  explicit FrmList(vb::Runtime& rt) : vb::Form(rt, "frmList") {}
  vb::ListView ListView1{*this, "ListView1", {"Name", "Status"}};
};

void Fill(vb::ListView& list, std::initializer_list<const char*> names) {
  for (const char* name : names) {
    vb::ListItem& row = list.Add();
    row.Text = name;
    row.SetSubItems(1, std::string(name) + " state");
  }
}

// The view's rows: "name/status", the selected ones marked "*".
std::string Shown(QTreeView* view) {
  std::string out;
  for (int i = 0; i < view->model()->rowCount(); ++i) {
    out += view->selectionModel()->isRowSelected(i) ? "*" : "";
    out += view->model()->index(i, 0).data().toString().toStdString() + "/" +
           view->model()->index(i, 1).data().toString().toStdString() + ",";
  }
  return out;
}

TEST(ListRows, TheAddinsRefillWhileShownIsShownAndNoClearedRowIsRead) {
  fakes::FakeServices fake;
  vb::Runtime rt{fake.services()};
  FrmList form(rt);
  vb::ListView& list = form.ListView1;
  list.Sorted = true;
  Fill(list, {"modB", "modA", "modC", "modE", "modD"});
  list.Ordered()[3]->Selected = true;
  vbgui::QtFormsUi ui([](const std::string&, const std::function<void()>& action) { action(); });
  vbgui::FormWindow window(form, ui);
  window.show();
  auto* view = window.findChild<QTreeView*>("ListView1");
  EXPECT_EQ(Shown(view), "modA/modA state,modB/modB state,modC/modC state,*modD/modD state,modE/modE state,");
  QAbstractItemModel* rows = view->model();
  EXPECT_EQ(
      rows->headerData(0, Qt::Horizontal).toString() + "|" + rows->headerData(1, Qt::Horizontal).toString(),
      "Name|Status");

  // A person's click reaches the row it is on, and only that row.
  view->selectionModel()->select(view->model()->index(1, 0),
                                 QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  std::string selected;
  for (const vb::ListItem* row : list.Ordered()) selected += row->Selected ? row->Text.get() + "," : "";
  EXPECT_EQ(selected, "modB,");

  // Cleared and filled anew, unannounced: a paint before the window reads the list again shows
  // nothing of the old rows, and the new ones once it has.
  list.Clear();
  Fill(list, {"frmY", "frmX"});
  window.grab();
  EXPECT_FALSE(view->model()->index(4, 0).data().isValid());
  EXPECT_FALSE(view->model()->index(0, 0).data().isValid());
  QApplication::processEvents();
  EXPECT_EQ(Shown(view), "frmX/frmX state,frmY/frmY state,");

  // The form unloaded: its window keeps no row of it.
  window.Detach();
  EXPECT_EQ(view->model()->rowCount(), 0);
}

}  // namespace
