#include "widgets/widgets.h"

#include <algorithm>

#include "base/error.h"
#include "base/text.h"

namespace horone {

Control::Control(Kind kind, std::string name, Control* parent, Rect design, int tabOrder)
    : Component(std::move(name)), kind_(kind), parent_(parent), design_(design), bounds_(design), tabOrder_(tabOrder) {
  if (parent_) {
    auto& siblings = parent_->children_;
    // Children stand in tab order; controls without one go last.
    auto at = std::find_if(siblings.begin(), siblings.end(), [&](Control* c) {
      return tabOrder_ >= 0 && (c->tabOrder_ < 0 || c->tabOrder_ > tabOrder_);
    });
    siblings.insert(at, this);
  }
}

void Control::SetBounds(const Rect& r) {
  if (r == bounds_) return;
  const bool resized = r.width != bounds_.width || r.height != bounds_.height;
  bounds_ = r;
  Notify(Change::Bounds);
  if (resized) {
    LayoutChildren();
    SizeChanged();
  }
}

void Control::SetVisible(bool v) {
  if (v == visible_) return;
  visible_ = v;
  Notify(Change::Visible);
  if (parent_) parent_->LayoutChildren();
}

void Control::SetEnabled(bool e) {
  if (e == enabled_) return;
  enabled_ = e;
  Notify(Change::Enabled);
}

void Control::SetCaption(std::string c) {
  caption_ = std::move(c);
  Notify(Change::Caption);
}

void Control::LayoutChildren() {
  int clientW = bounds_.width, clientH = bounds_.height;
  if (kind_ == Kind::Form) {
    auto& f = static_cast<Form&>(*this);
    clientW = f.ClientWidth();
    clientH = f.ClientHeight();
  }
  // The area that aligned children share, shrinking as they dock.
  int left = inset_, top = inset_, right = clientW - inset_, bottom = clientH - inset_;
  // Bottom first, then right, then the client fill, as the toolkit docks.
  for (Align pass : {Align::Bottom, Align::Right, Align::Client}) {
    for (Control* c : children_) {
      if (!c->visible_ || c->align_ != pass) continue;
      Rect r = c->bounds_;
      switch (pass) {
        case Align::Bottom:
          r = {left, bottom - r.height, std::max(0, right - left), r.height};
          bottom -= r.height;
          break;
        case Align::Right:
          r = {right - r.width, top, r.width, std::max(0, bottom - top)};
          right -= r.width;
          break;
        default:
          r = {left, top, std::max(0, right - left), std::max(0, bottom - top)};
          break;
      }
      c->SetBounds(r);
    }
  }
  for (Control* c : children_) {
    if (c->align_ == Align::None && c->rightMargin_ >= 0) {
      Rect r = c->bounds_;
      r.width = std::max(0, clientW - c->rightMargin_ - r.left);
      c->SetBounds(r);
    }
  }
}

void CheckBox::SetChecked(bool c) {
  if (c == checked_) return;
  checked_ = c;
  Notify(Change::Checked);
  if (onClick) onClick();
}

void Edit::SetText(std::string text) {
  if (text == caption_) return;
  caption_ = std::move(text);
  Notify(Change::Caption);
  if (onChange) onChange();
}

void Edit::PlatformTextChanged(std::string text) {
  caption_ = std::move(text);
  if (onChange) onChange();
}

void ComboBox::SetText(std::string text) {
  caption_ = std::move(text);
  selStart_ = static_cast<int>(caption_.size());
  selLength_ = 0;
  Notify(Change::Caption);
}

void ComboBox::SetItems(std::vector<std::string> items) {
  items_ = std::move(items);
  Notify(Change::Items);
}

void ComboBox::SetSelection(int start, int length) {
  const int size = static_cast<int>(caption_.size());
  selStart_ = std::clamp(start, 0, size);
  selLength_ = std::clamp(length, 0, size - selStart_);
  Notify(Change::Selection);
}

void ComboBox::UserEdit(std::string text) {
  caption_ = std::move(text);
  if (onChange) onChange();
}

void ComboBox::UserPick(int index) {
  if (index < 0 || index >= static_cast<int>(items_.size())) return;
  caption_ = items_[static_cast<size_t>(index)];
  Notify(Change::Caption);
  if (onChange) onChange();
}

int ListBox::Add(std::string item) {
  auto at = items_.end();
  if (collation_) {
    at = std::upper_bound(items_.begin(), items_.end(), item,
                          [&](const std::string& a, const std::string& b) { return collation_(a, b) < 0; });
  }
  const int index = static_cast<int>(at - items_.begin());
  items_.insert(at, std::move(item));
  if (itemIndex_ >= index) ++itemIndex_;
  Notify(Change::ItemInsert, index);
  return index;
}

void ListBox::Replace(std::vector<std::string> items) {
  items_.clear();
  itemIndex_ = -1;
  if (collation_) {
    // Each line goes to its sorted place; equal entries keep their file order.
    std::stable_sort(items.begin(), items.end(),
                     [&](const std::string& a, const std::string& b) { return collation_(a, b) < 0; });
  }
  items_ = std::move(items);
  Notify(Change::Items);
}

void ListBox::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  items_.erase(items_.begin() + index);
  if (itemIndex_ == index) itemIndex_ = -1;
  else if (itemIndex_ > index) --itemIndex_;
  Notify(Change::ItemDelete, index);
}

bool ListBox::ContainsEqual(std::string_view text) const {
  if (!collation_) {
    return std::find(items_.begin(), items_.end(), text) != items_.end();
  }
  auto at = std::lower_bound(items_.begin(), items_.end(), text,
                             [&](const std::string& a, std::string_view b) { return collation_(a, b) < 0; });
  return at != items_.end() && collation_(*at, text) == 0;
}

void ListBox::SetItemIndex(int index) {
  if (index < -1 || index >= Count()) index = -1;
  itemIndex_ = index;
  Notify(Change::ItemIndex);
}

const std::string& ListBox::SelectedText() const {
  if (itemIndex_ < 0 || itemIndex_ >= Count()) {
    throw UserError(Format1("リストのインデックスが範囲を超えています (%d)", IntToStr(itemIndex_)));
  }
  return items_[static_cast<size_t>(itemIndex_)];
}

StringGrid::StringGrid(std::string name, Control* parent, Rect design, int tabOrder)
    : Control(Kind::StringGrid, std::move(name), parent, design, tabOrder) {
  colWidths_.fill(DefaultColWidth());
  cells_.Resize(2);
}

void StringGrid::SetRowCount(int rows) {
  rows = std::max(rows, FixedRows() + 1);
  if (rows == RowCount()) return;
  cells_.Resize(rows);
  if (row_ >= rows) row_ = rows - 1;
  Notify(Change::RowCount);
}

std::string_view StringGrid::Cell(int col, int row) const {
  if (col < 0 || col >= kColumns || row < 0 || row >= RowCount()) return {};
  return cells_.Cell(col, row);
}

void StringGrid::SetCell(int col, int row, std::string_view text) {
  if (col < 0 || col >= kColumns || row < 0 || row >= RowCount()) return;
  cells_.SetCell(col, row, text);
  Notify(Change::Cell, row);
}

void StringGrid::SetColWidth(int col, int width) {
  if (col < 0 || col >= kColumns) return;
  colWidths_[static_cast<size_t>(col)] = width;
  Notify(Change::ColWidth, col);
}

void StringGrid::SetRow(int row) {
  if (row < FixedRows() || row >= RowCount()) return;
  bool canSelect = true;
  if (onSelectCell) onSelectCell(0, row, canSelect);
  if (!canSelect) return;
  row_ = row;
  Notify(Change::CurrentRow);
}

StatusBar::StatusBar(std::string name, Control* parent, Rect design, std::vector<int> widths)
    : Control(Kind::StatusBar, std::move(name), parent, design, -1) {
  for (int w : widths) panels_.push_back({w, {}});
  SetTabStop(false);
}

void StatusBar::SetPanelText(int i, std::string text) {
  if (i < 0 || i >= PanelCount()) return;
  panels_[static_cast<size_t>(i)].text = std::move(text);
  Notify(Change::PanelText, i);
}

void StatusBar::SetPanelWidth(int i, int width) {
  if (i < 0 || i >= PanelCount()) return;
  panels_[static_cast<size_t>(i)].width = width;
  Notify(Change::PanelWidth, i);
}

Form::Form(std::string name, std::string caption, int width, int height)
    : Control(Kind::Form, std::move(name), nullptr, Rect{0, 0, width, height}, -1) {
  caption_ = std::move(caption);
}

void Form::SetWidth(int w) {
  Rect r = Bounds();
  r.width = w;
  SetBounds(r);
}

void Form::SetHeight(int h) {
  Rect r = Bounds();
  r.height = h;
  SetBounds(r);
}

void Form::PlatformResized(int width, int height) {
  Rect r = Bounds();
  r.width = width;
  r.height = height;
  SetBounds(r);
}

void Form::Close() {
  if (closed_) return;
  // With a view, the real window closes and reports back through the close
  // event; without one the close is carried out here.
  Notify(Change::Close);
  if (!HasView()) {
    if (onClose) onClose();
    closed_ = true;
  }
}

}  // namespace horone
