// The common controls the add-in's dialogs use (list view, toolbar, tab strip, image list) and
// the intrinsic list box, as models with VB's indexing: collections are 1-based, a missing
// index raises 35600 "Index out of bounds".
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
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

class CodePage;
class ListView;

class ListItem {
 public:
  // Text as VB's property: assigning it tells the list, which orders and indexes rows by it.
  class TextProperty {
   public:
    explicit TextProperty(ListView& owner) : owner_(owner) {}
    TextProperty& operator=(std::string text);
    const std::string& get() const { return text_; }
    operator const std::string&() const { return text_; }
    friend bool operator==(const TextProperty& a, std::string_view b) { return a.text_ == b; }
    friend std::string operator+(const TextProperty& a, std::string_view b) {
      return a.text_ + std::string(b);
    }

   private:
    friend class ListItem;
    ListView& owner_;
    std::string text_;
  };

  explicit ListItem(ListView& owner) : Text(owner) {}
  ListItem(const ListItem&) = delete;
  ListItem& operator=(const ListItem&) = delete;
  TextProperty Text;
  int SmallIcon = 0;  // 0: none set
  bool Selected = false;
  // SubItems(1..column count - 1); 380 outside.
  std::string SubItems(int index) const;
  void SetSubItems(int index, const std::string& text);
  // The same text without VB's range check: empty where the row has none.
  std::string_view SubItemView(int index) const;
  // 1-based position in the list as it is shown (sorted, when the list sorts).
  int Index() const;

 private:
  friend class ListView;
  ListView& owner() const { return Text.owner_; }
  // Where SubItems(index) starts in sub_items_ (at its length), or its end when not stored.
  std::size_t SubItemAt(int index) const;

  // The sub-items one after another, each after its length: one block per row, whatever its
  // column count, as a list of many thousand rows needs.
  std::string sub_items_;
  int position_ = 0;  // Index(), kept by the list
};

struct ColumnHeader {
  int Index;
  std::string Text;
};

class ListView : public Control {
 public:
  ListView(Form& form, std::string name, std::vector<std::string> columns);

  // ListItems.
  ListItem& Add();
  void Clear();
  int Count() const { return static_cast<int>(items_.size()); }
  ListItem& Item(int index);
  // The first item as shown whose text is `text` (exact), or null (Nothing).
  ListItem* FindItem(const std::string& text);
  // The items in the order the list shows them.
  const std::vector<ListItem*>& Ordered() const;
  // Rows read to order or index the list, or compared by a lookup: tests bound its cost with it.
  std::size_t RowVisits() const { return visits_; }
  // Bumped whenever rows are added or cleared: a view that keeps the row count it last read knows
  // from it that rows it remembers may be gone, since neither is announced to the form.
  std::uint64_t Generation() const { return generation_; }

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
  friend class ListItem;
  friend class ListItem::TextProperty;
  struct SortSettings {
    bool sorted;
    int key;
    int order;
    const CodePage* page;  // lower-casing follows the code page
    bool operator==(const SortSettings&) const = default;
  };
  SortSettings CurrentSort() const;
  // A row's text (column 0) or sub-item changed.
  void RowChanged(int column);
  // Brings the shown order, the positions and the name index up to date.
  void Refresh() const;

  std::vector<std::unique_ptr<ListItem>> items_;
  std::vector<ColumnHeader> columns_;
  // Built on first use after rows, texts or the sort settings change; none while stale.
  mutable std::optional<SortSettings> shown_;
  mutable std::vector<ListItem*> order_;
  // The rows by text, open addressing: a slot holds a row's 1-based place in order_, 0 none.
  // Four bytes a slot, against some fifty for a node of a standard map.
  mutable std::vector<std::uint32_t> names_;
  mutable std::size_t visits_ = 0;
  std::uint64_t generation_ = 0;
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
  // ListImages(1..Count).
  const std::vector<platform::Picture>& ListImages() const { return images_; }

 private:
  std::vector<platform::Picture> images_;
};

class ListBox : public Control {
 public:
  ListBox(Form& form, std::string name) : Control(form, std::move(name)) {}
  void AddItem(std::string item) { items_.push_back(std::move(item)); }
  void Clear();
  int ListCount() const { return static_cast<int>(items_.size()); }
  // -1: nothing selected; 380 outside -1..ListCount - 1.
  int ListIndex() const { return list_index_; }
  void SetListIndex(int index);
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
