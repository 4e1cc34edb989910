#include "vbrt/common_controls.hpp"

#include <algorithm>
#include <cstring>
#include <numeric>

#include "vbrt/code_page.hpp"
#include "vbrt/error.hpp"
#include "vbrt/forms.hpp"
#include "vbrt/strings.hpp"

namespace vb {

namespace {
constexpr int kIndexOutOfBounds = 35600;

// The length before a packed sub-item.
std::uint32_t LengthAt(const std::string& packed, std::size_t at) {
  std::uint32_t length = 0;
  std::memcpy(&length, packed.data() + at, sizeof length);
  return length;
}
}  // namespace

std::size_t ListItem::SubItemAt(int index) const {
  std::size_t at = 0;
  for (int i = 1; i < index && at < sub_items_.size(); ++i)
    at += sizeof(std::uint32_t) + LengthAt(sub_items_, at);
  return at;
}

std::string ListItem::SubItems(int index) const {
  if (index < 1 || index >= static_cast<int>(owner().ColumnHeaders().size()))
    Raise(err::InvalidPropertyValue);
  return std::string(SubItemView(index));
}

std::string_view ListItem::SubItemView(int index) const {
  if (index < 1) return {};
  std::size_t at = SubItemAt(index);
  if (at >= sub_items_.size()) return {};
  return std::string_view(sub_items_).substr(at + sizeof(std::uint32_t), LengthAt(sub_items_, at));
}

void ListItem::SetSubItems(int index, const std::string& text) {
  if (index < 1 || index >= static_cast<int>(owner().ColumnHeaders().size()))
    Raise(err::InvalidPropertyValue);
  std::size_t at = 0;
  for (int i = 1; i < index; ++i) {
    if (at == sub_items_.size()) sub_items_.append(sizeof(std::uint32_t), '\0');  // an empty one before it
    at += sizeof(std::uint32_t) + LengthAt(sub_items_, at);
  }
  std::size_t end = at < sub_items_.size() ? at + sizeof(std::uint32_t) + LengthAt(sub_items_, at) : at;
  auto length = static_cast<std::uint32_t>(text.size());
  // Built to its size: the rows' texts are the bulk of a long list.
  std::string packed;
  packed.reserve(sub_items_.size() - (end - at) + sizeof length + text.size());
  packed.append(sub_items_, 0, at).append(reinterpret_cast<const char*>(&length), sizeof length);
  packed.append(text).append(sub_items_, end);
  sub_items_ = std::move(packed);
  owner().RowChanged(index);
}

int ListItem::Index() const {
  owner().Refresh();
  return position_;
}

ListItem::TextProperty& ListItem::TextProperty::operator=(std::string text) {
  text_ = std::move(text);
  owner_.RowChanged(0);
  return *this;
}

ListView::ListView(Form& form, std::string name, std::vector<std::string> columns)
    : Control(form, std::move(name)) {
  for (std::size_t i = 0; i < columns.size(); ++i) columns_.push_back({static_cast<int>(i) + 1, columns[i]});
}

ListItem& ListView::Add() {
  items_.push_back(std::make_unique<ListItem>(*this));
  ++generation_;
  shown_.reset();
  return *items_.back();
}

void ListView::Clear() {
  ++generation_;
  shown_.reset();
  items_.clear();
}

ListItem& ListView::Item(int index) {
  const auto& order = Ordered();
  if (index < 1 || index > static_cast<int>(order.size())) Raise(kIndexOutOfBounds);
  return *order[static_cast<std::size_t>(index - 1)];
}

ListItem* ListView::FindItem(const std::string& text) {
  Refresh();
  if (names_.empty()) return nullptr;
  const std::size_t mask = names_.size() - 1;
  for (std::size_t slot = std::hash<std::string_view>{}(text)&mask; names_[slot] != 0;
       slot = (slot + 1) & mask) {
    ListItem* item = order_[names_[slot] - 1];
    if (item->Text.get() == text) {
      ++visits_;
      return item;
    }
  }
  return nullptr;
}

const std::vector<ListItem*>& ListView::Ordered() const {
  Refresh();
  return order_;
}

ListView::SortSettings ListView::CurrentSort() const {
  return {Sorted, SortKey, SortOrder, &ActiveCodePage()};
}

void ListView::RowChanged(int column) {
  // An unsorted order, or one by another column, stays; the name index follows the texts.
  if (shown_ && (column == 0 || (shown_->sorted && shown_->key == column))) shown_.reset();
}

void ListView::Refresh() const {
  SortSettings now = CurrentSort();
  if (!now.sorted) now = {false, 0, 0, nullptr};  // the rows' texts play no part
  if (shown_ == now) return;
  shown_.reset();
  order_.clear();
  order_.reserve(items_.size());
  for (const auto& item : items_) order_.push_back(item.get());
  if (now.sorted && order_.size() > 1) {
    // The control's own text sort: case aside, stable for equal keys. Each row's key once.
    std::vector<std::string> keys;
    keys.reserve(order_.size());
    for (const ListItem* item : order_) {
      ++visits_;
      keys.push_back(LCase(now.key == 0 ? item->Text.get() : item->SubItems(now.key)));
    }
    std::vector<std::size_t> at(order_.size());
    std::iota(at.begin(), at.end(), std::size_t{0});
    std::stable_sort(at.begin(), at.end(), [&](std::size_t a, std::size_t b) {
      return now.order == lvwDescending ? keys[b] < keys[a] : keys[a] < keys[b];
    });
    for (std::size_t i = 0; i < at.size(); ++i) order_[i] = items_[at[i]].get();
  }
  // At most half full, so a lookup probes a slot or two.
  std::size_t slots = 16;
  while (slots < 2 * order_.size()) slots *= 2;
  names_.assign(order_.empty() ? 0 : slots, 0);
  const std::size_t mask = slots - 1;
  for (std::size_t i = 0; i < order_.size(); ++i) {
    ListItem* item = order_[i];
    ++visits_;
    item->position_ = static_cast<int>(i) + 1;
    std::size_t slot = std::hash<std::string_view>{}(item->Text.get()) & mask;
    // The first as shown keeps a shared name.
    while (names_[slot] != 0 && order_[names_[slot] - 1]->Text.get() != item->Text.get())
      slot = (slot + 1) & mask;
    if (names_[slot] == 0) names_[slot] = static_cast<std::uint32_t>(i) + 1;
  }
  shown_ = now;
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

void ListBox::SetFocus() { has_focus_ = true; }

ListView& ListViewNamed(Form& form, std::string_view name) {
  auto* list = dynamic_cast<ListView*>(form.FindControl(name));
  if (!list) Raise(err::NotSupported);
  return *list;
}

}  // namespace vb
