#include "vbrt/common_controls.hpp"

#include <algorithm>
#include <cctype>

#include "vbrt/error.hpp"
#include "vbrt/forms.hpp"
#include "vbrt/strings.hpp"

namespace vb {

namespace {
constexpr int kIndexOutOfBounds = 35600;
}  // namespace

std::string ListItem::SubItems(int index) const {
  if (index < 1 || index >= static_cast<int>(owner_.ColumnHeaders().size())) Raise(err::InvalidPropertyValue);
  std::size_t i = static_cast<std::size_t>(index - 1);
  return i < sub_items_.size() ? sub_items_[i] : std::string();
}

void ListItem::SetSubItems(int index, std::string text) {
  if (index < 1 || index >= static_cast<int>(owner_.ColumnHeaders().size())) Raise(err::InvalidPropertyValue);
  std::size_t i = static_cast<std::size_t>(index - 1);
  if (sub_items_.size() <= i) sub_items_.resize(i + 1);
  sub_items_[i] = std::move(text);
}

int ListItem::Index() const {
  auto order = owner_.Ordered();
  for (std::size_t i = 0; i < order.size(); ++i) {
    if (order[i] == this) return static_cast<int>(i) + 1;
  }
  return 0;
}

ListView::ListView(Form& form, std::string name, std::vector<std::string> columns)
    : Control(form, std::move(name)) {
  for (std::size_t i = 0; i < columns.size(); ++i) columns_.push_back({static_cast<int>(i) + 1, columns[i]});
}

ListItem& ListView::Add() {
  items_.push_back(std::make_unique<ListItem>(*this));
  return *items_.back();
}

void ListView::Clear() { items_.clear(); }

ListItem& ListView::Item(int index) {
  auto order = Ordered();
  if (index < 1 || index > static_cast<int>(order.size())) Raise(kIndexOutOfBounds);
  return *order[static_cast<std::size_t>(index - 1)];
}

ListItem* ListView::FindItem(const std::string& text) {
  for (ListItem* item : Ordered()) {
    if (item->Text == text) return item;
  }
  return nullptr;
}

std::vector<ListItem*> ListView::Ordered() const {
  std::vector<ListItem*> order;
  for (const auto& item : items_) order.push_back(item.get());
  if (!Sorted) return order;
  // The control's own text sort: case aside, stable for equal keys.
  auto key = [this](const ListItem* item) {
    return LCase(SortKey == 0 ? item->Text : item->SubItems(SortKey));
  };
  std::stable_sort(order.begin(), order.end(), [&](const ListItem* a, const ListItem* b) {
    return SortOrder == lvwDescending ? key(b) < key(a) : key(a) < key(b);
  });
  return order;
}

void ListView::ClickColumn(int index) {
  if (index < 1 || index > static_cast<int>(columns_.size())) Raise(kIndexOutOfBounds);
  if (ColumnClick) ColumnClick(columns_[static_cast<std::size_t>(index - 1)]);
}

Toolbar::Toolbar(Form& form, std::string name, std::vector<ToolbarButton> buttons, std::string image_list)
    : Control(form, std::move(name)), buttons_(std::move(buttons)), image_list_(std::move(image_list)) {}

bool Toolbar::Press(const std::string& key) {
  for (const auto& b : buttons_) {
    if (b.Key == key) {
      if (ButtonClick) ButtonClick(b);
      return true;
    }
  }
  return false;
}

TabStrip::TabStrip(Form& form, std::string name, std::vector<std::string> tabs)
    : Control(form, std::move(name)), tabs_(std::move(tabs)) {}

void TabStrip::ClickTab(int index) {
  if (index < 1 || index > static_cast<int>(tabs_.size())) Raise(kIndexOutOfBounds);
  if (index == selected_) return;
  int cancel = 0;
  if (BeforeClick) BeforeClick(cancel);
  if (cancel != 0) return;
  selected_ = index;
  Notify("SelectedItem");
}

void ListBox::Clear() {
  items_.clear();
  list_index_ = -1;
}

void ListBox::SetListIndex(int index) {
  if (index < -1 || index >= ListCount()) Raise(err::InvalidPropertyValue);
  list_index_ = index;
}

const std::string& ListBox::List(int index) const {
  if (index < 0 || index >= ListCount()) Raise(err::InvalidPropertyValue);
  return items_[static_cast<std::size_t>(index)];
}

void ListBox::SetFocus() { has_focus_ = true; }

ListView& ListViewNamed(Form& form, std::string_view name) {
  auto* list = dynamic_cast<ListView*>(form.FindControl(name));
  if (!list) Raise(err::NotSupported);
  return *list;
}

}  // namespace vb
