// The common controls the add-in's dialogs use (list view, toolbar, tab strip, image list) and
// the intrinsic list box, as models with VB's indexing: collections are 1-based, a missing
// index raises 35600 "Index out of bounds".
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/clipboard.hpp"
#include "vbrt/controls.hpp"

namespace vb {

inline constexpr int lvwAscending = 0;
inline constexpr int lvwDescending = 1;
inline constexpr int lvwIcon = 0;
inline constexpr int lvwSmallIcon = 1;
inline constexpr int lvwList = 2;
inline constexpr int lvwReport = 3;

class ListView;

class ListItem {
 public:
  explicit ListItem(ListView& owner) : owner_(owner) {}
  std::string Text;
  int SmallIcon = 0;  // 0: none set
  bool Selected = false;
  // SubItems(1..column count - 1); 380 outside.
  std::string SubItems(int index) const;
  void SetSubItems(int index, std::string text);
  // 1-based position in the list as it is shown (sorted, when the list sorts).
  int Index() const;

 private:
  ListView& owner_;
  std::vector<std::string> sub_items_;
};

struct ColumnHeader {
  int Index;
  std::string Text;
};

class ListView : public Control {
 public:
  ListView(Form& form, std::string name, std::vector<std::string> columns);
  std::string_view Kind() const override { return "ListView"; }

  // ListItems.
  ListItem& Add();
  void Clear();
  int Count() const { return static_cast<int>(items_.size()); }
  ListItem& Item(int index);
  // The item whose text is `text` (exact), or null (Nothing).
  ListItem* FindItem(const std::string& text);
  // The items in the order the list shows them.
  std::vector<ListItem*> Ordered() const;

  const std::vector<ColumnHeader>& ColumnHeaders() const { return columns_; }
  int SortKey = 0;
  int SortOrder = lvwAscending;
  bool Sorted = false;
  int View = lvwReport;
  bool MultiSelect = true;
  std::string Icons;  // the image list that serves the rows

  // A person clicks a column header (1-based).
  void ClickColumn(int index);
  std::function<void(const ColumnHeader&)> ColumnClick;

 private:
  std::vector<std::unique_ptr<ListItem>> items_;
  std::vector<ColumnHeader> columns_;
};

struct ToolbarButton {
  int Index;
  std::string Key;
  std::string ToolTipText;
  int Image;  // index into the toolbar's image list
};

class Toolbar : public Control {
 public:
  Toolbar(Form& form, std::string name, std::vector<ToolbarButton> buttons, std::string image_list);
  std::string_view Kind() const override { return "Toolbar"; }
  const std::vector<ToolbarButton>& Buttons() const { return buttons_; }
  const std::string& ImageList() const { return image_list_; }
  // A person presses the button with that key; false when there is none.
  bool Press(const std::string& key);
  std::function<void(const ToolbarButton&)> ButtonClick;

 private:
  std::vector<ToolbarButton> buttons_;
  std::string image_list_;
};

class TabStrip : public Control {
 public:
  TabStrip(Form& form, std::string name, std::vector<std::string> tabs);
  std::string_view Kind() const override { return "TabStrip"; }
  const std::vector<std::string>& Tabs() const { return tabs_; }
  // SelectedItem.Index, 1-based.
  int SelectedIndex() const { return selected_; }
  // A person clicks tab `index`: BeforeClick (which may cancel), then the selection changes.
  void ClickTab(int index);
  std::function<void(int& Cancel)> BeforeClick;

 private:
  std::vector<std::string> tabs_;
  int selected_ = 1;
};

class ImageList : public Control {
 public:
  ImageList(Form& form, std::string name, std::vector<platform::Picture> images)
      : Control(form, std::move(name)), images_(std::move(images)) {}
  std::string_view Kind() const override { return "ImageList"; }
  // ListImages(1..Count).
  const std::vector<platform::Picture>& ListImages() const { return images_; }

 private:
  std::vector<platform::Picture> images_;
};

class ListBox : public Control {
 public:
  ListBox(Form& form, std::string name) : Control(form, std::move(name)) {}
  std::string_view Kind() const override { return "ListBox"; }
  void AddItem(std::string item) { items_.push_back(std::move(item)); }
  void Clear();
  int ListCount() const { return static_cast<int>(items_.size()); }
  // -1: nothing selected; 380 outside -1..ListCount - 1.
  int ListIndex() const { return list_index_; }
  void SetListIndex(int index);
  const std::string& List(int index) const;
  const std::vector<std::string>& Items() const { return items_; }
  void SetFocus();
  bool HasFocus() const { return has_focus_; }

 private:
  std::vector<std::string> items_;
  int list_index_ = -1;
  bool has_focus_ = false;
};

// The form's list view called `name`, reached as late binding reaches a control: a form without
// one raises 438.
ListView& ListViewNamed(Form& form, std::string_view name);

}  // namespace vb
