// Control models: the state of each control and the events that a real
// toolkit raises. The models are the truth; a view mirrors them into real
// controls and reports the user's input back through the User* methods.
//
// Toolkit semantics the program relies on:
//  - a check box raises its click event also when the program changes it;
//  - a combo box raises its change event on user edits and picks only;
//  - a sorted list box puts every item at its place under the collation;
//  - the grid raises select-cell whenever its current row is set.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "widgets/grid_store.h"

namespace horone {

class Component;

enum class Change {
  Caption,     // caption or text
  Enabled,
  Visible,
  Bounds,
  Checked,
  Items,       // whole item list replaced
  ItemInsert,  // index: the inserted item
  ItemDelete,  // index: the removed item
  ItemIndex,
  Focus,
  Selection,   // edit selection (caret)
  RowCount,
  Cell,        // index: row
  ColWidth,    // index: column
  CurrentRow,
  PanelText,   // index: panel
  PanelWidth,  // index: panel
  Close,       // the form asks to be closed
  ShowModal,   // the form asks to be shown modally
  Show,        // the form asks to be shown modeless, in front, its first field focused
};

// The view's side: told of every change of a model it renders.
class ViewSink {
 public:
  virtual ~ViewSink() = default;
  virtual void Changed(Component& component, Change what, int index) = 0;
};

class Component {
 public:
  explicit Component(std::string name) : name_(std::move(name)) {}
  virtual ~Component() = default;
  Component(const Component&) = delete;
  Component& operator=(const Component&) = delete;

  const std::string& Name() const { return name_; }
  void SetSink(ViewSink* sink) { sink_ = sink; }
  bool HasView() const { return sink_ != nullptr; }

 protected:
  void Notify(Change what, int index = -1) {
    if (sink_) sink_->Changed(*this, what, index);
  }

 private:
  std::string name_;
  ViewSink* sink_ = nullptr;
};

enum class Kind { Form, Panel, GroupBox, Label, Image, Button, CheckBox, Edit, ComboBox, ListBox, StringGrid, StatusBar };
enum class Align { None, Bottom, Right, Client };

struct Rect {
  int left = 0, top = 0, width = 0, height = 0;
  bool operator==(const Rect&) const = default;
};

// Modifier keys of a key event.
struct ShiftState {
  bool shift = false, ctrl = false, alt = false;
};

class Control : public Component {
 public:
  Control(Kind kind, std::string name, Control* parent, Rect design, int tabOrder);

  Kind GetKind() const { return kind_; }
  Control* Parent() const { return parent_; }
  const std::vector<Control*>& Children() const { return children_; }  // in tab order
  int TabOrder() const { return tabOrder_; }

  const Rect& Bounds() const { return bounds_; }
  void SetBounds(const Rect& r);
  Align GetAlign() const { return align_; }
  void SetAlign(Align a) { align_ = a; }
  // Anchored left and right: keeps its distance to the parent's right edge.
  void AnchorLeftRight(int designParentWidth) { rightMargin_ = designParentWidth - (design_.left + design_.width); }
  int RightMargin() const { return rightMargin_; }
  // Pixels the control's own border takes from its children's area.
  int Inset() const { return inset_; }
  void SetInset(int px) { inset_ = px; }

  bool Visible() const { return visible_; }
  void SetVisible(bool v);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool e);
  bool TabStop() const { return tabStop_; }
  void SetTabStop(bool t) { tabStop_ = t; }
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string c);

  // Places the children by alignment and anchors inside this control.
  void LayoutChildren();

 protected:
  virtual void SizeChanged() {}
  std::string caption_;

 private:
  Kind kind_;
  Control* parent_;
  std::vector<Control*> children_;
  Rect design_;
  Rect bounds_;
  Align align_ = Align::None;
  int rightMargin_ = -1;
  int inset_ = 0;
  int tabOrder_;
  bool visible_ = true;
  bool enabled_ = true;
  bool tabStop_ = true;
};

class Panel : public Control {
 public:
  Panel(std::string name, Control* parent, Rect design, int tabOrder, bool outerBevel = true)
      : Control(Kind::Panel, std::move(name), parent, design, tabOrder), outerBevel_(outerBevel) {
    SetInset(outerBevel ? 1 : 0);
  }
  bool OuterBevel() const { return outerBevel_; }

 private:
  bool outerBevel_;
};

class GroupBox : public Control {
 public:
  GroupBox(std::string name, Control* parent, Rect design, int tabOrder, std::string caption)
      : Control(Kind::GroupBox, std::move(name), parent, design, tabOrder) {
    caption_ = std::move(caption);
  }
};

class Label : public Control {
 public:
  Label(std::string name, Control* parent, Rect design, std::string caption)
      : Control(Kind::Label, std::move(name), parent, design, -1) {
    caption_ = std::move(caption);
    SetTabStop(false);
  }
};

// A picture: the program's icon, stretched to the control's size.
class Image : public Control {
 public:
  Image(std::string name, Control* parent, Rect design) : Control(Kind::Image, std::move(name), parent, design, -1) {
    SetTabStop(false);
  }
};

class Button : public Control {
 public:
  Button(std::string name, Control* parent, Rect design, int tabOrder, std::string caption)
      : Control(Kind::Button, std::move(name), parent, design, tabOrder) {
    caption_ = std::move(caption);
  }
  std::function<void()> onClick;
  bool IsDefault() const { return default_; }
  void SetDefault(bool d) { default_ = d; }
  // A click by the user (or a program driving the control): ignored while disabled.
  void UserClick() {
    if (Enabled() && onClick) onClick();
  }

 private:
  bool default_ = false;
};

class CheckBox : public Control {
 public:
  CheckBox(std::string name, Control* parent, Rect design, int tabOrder, std::string caption)
      : Control(Kind::CheckBox, std::move(name), parent, design, tabOrder) {
    caption_ = std::move(caption);
  }
  std::function<void()> onClick;
  bool Checked() const { return checked_; }
  // Raises the click event when the tick changes, as the toolkit does.
  void SetChecked(bool c);
  void UserClick() {
    if (Enabled()) SetChecked(!checked_);
  }

 private:
  bool checked_ = false;
};

class Edit : public Control {
 public:
  Edit(std::string name, Control* parent, Rect design, int tabOrder)
      : Control(Kind::Edit, std::move(name), parent, design, tabOrder) {}
  std::function<void()> onChange;
  std::function<void(std::uint16_t& key, ShiftState)> onKeyUp;

  const std::string& Text() const { return caption_; }
  // Set by the program: raises the change event when the text changes.
  void SetText(std::string text);
  // Set without any event (the designed start text).
  void SetTextSilently(std::string text) { caption_ = std::move(text); }
  // The text was replaced in the real control (typing, WM_SETTEXT from
  // another program): every such replacement is a change.
  void PlatformTextChanged(std::string text);
  void UserKeyUp(std::uint16_t key, ShiftState shift) {
    if (onKeyUp) onKeyUp(key, shift);
  }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool r) { readOnly_ = r; }
  bool Border() const { return border_; }
  void SetBorder(bool b) { border_ = b; }

 private:
  bool readOnly_ = false;
  bool border_ = true;
};

class ComboBox : public Control {
 public:
  ComboBox(std::string name, Control* parent, Rect design, int tabOrder)
      : Control(Kind::ComboBox, std::move(name), parent, design, tabOrder) {}
  std::function<void()> onChange;
  std::function<void(std::uint16_t& key, ShiftState)> onKeyDown;

  const std::string& Text() const { return caption_; }
  // Set by the program: no change event.
  void SetText(std::string text);
  const std::vector<std::string>& Items() const { return items_; }
  void SetItems(std::vector<std::string> items);
  int MaxLength() const { return maxLength_; }
  void SetMaxLength(int n) { maxLength_ = n; }

  void SetFocus() { Notify(Change::Focus); }
  void SelectAll() { SetSelection(0, static_cast<int>(caption_.size())); }
  int SelStart() const { return selStart_; }
  int SelLength() const { return selLength_; }
  void SetSelStart(int start) { SetSelection(start, 0); }

  // The user typed or edited: the text is the control's new text.
  void UserEdit(std::string text);
  // The user picked an item of the drop-down list.
  void UserPick(int index);
  void UserKeyDown(std::uint16_t key, ShiftState shift) {
    if (onKeyDown) onKeyDown(key, shift);
  }
  // The view's report of the caret, so the model stays in step.
  void PlatformSelection(int start, int length) {
    selStart_ = start;
    selLength_ = length;
  }

 private:
  void SetSelection(int start, int length);
  std::vector<std::string> items_;
  int maxLength_ = 0;
  int selStart_ = 0;
  int selLength_ = 0;
};

// Ordering of list texts; negative, zero, positive.
using Collation = std::function<int(std::string_view, std::string_view)>;

class ListBox : public Control {
 public:
  ListBox(std::string name, Control* parent, Rect design, int tabOrder)
      : Control(Kind::ListBox, std::move(name), parent, design, tabOrder) {}
  std::function<void()> onClick;

  void SetSorted(Collation collation) { collation_ = std::move(collation); }
  const std::vector<std::string>& Items() const { return items_; }
  int Count() const { return static_cast<int>(items_.size()); }
  // Inserts at the sorted place (after the entries that compare equal);
  // the selection stays on the entry it was on. Returns the index.
  int Add(std::string item);
  void Replace(std::vector<std::string> items);
  void Delete(int index);
  // Whether some entry equals `text` under the collation (binary search).
  bool ContainsEqual(std::string_view text) const;

  int ItemIndex() const { return itemIndex_; }
  void SetItemIndex(int index);
  // The selected entry; the list's index error when none is selected.
  const std::string& SelectedText() const;
  void UserSelect(int index) {
    SetItemIndex(index);
    if (onClick) onClick();
  }

 private:
  Collation collation_;
  std::vector<std::string> items_;
  int itemIndex_ = -1;
};

// The log grid: rows of five cells, row 0 the header. The cells live in a
// GridStore, built for a log that never ends (see grid_store.h).
class StringGrid : public Control {
 public:
  static constexpr int kColumns = GridStore::kColumns;
  StringGrid(std::string name, Control* parent, Rect design, int tabOrder);

  // Select-cell: (column, row, may-select).
  std::function<void(int col, int row, bool& canSelect)> onSelectCell;

  int RowCount() const { return cells_.Rows(); }
  void SetRowCount(int rows);
  int FixedRows() const { return 1; }
  // The text stays valid until the cell is set again or its row is cut off.
  std::string_view Cell(int col, int row) const;
  void SetCell(int col, int row, std::string_view text);
  int ColWidth(int col) const { return colWidths_[static_cast<size_t>(col)]; }
  void SetColWidth(int col, int width);
  int DefaultColWidth() const { return 100; }
  int DefaultRowHeight() const { return 17; }

  int Row() const { return row_; }
  // Makes `row` current, raising select-cell first (the program's auto-scroll
  // and the user's clicks and keys alike). The header row cannot be current.
  void SetRow(int row);
  void UserSelectRow(int row) { SetRow(row); }
  // Key-down: a handler that takes the key sets it to 0, and the grid then
  // does not handle it itself.
  std::function<void(std::uint16_t& key, ShiftState)> onKeyDown;
  std::uint16_t UserKeyDown(std::uint16_t key, ShiftState shift) {
    if (onKeyDown) onKeyDown(key, shift);
    return key;
  }

 private:
  int row_ = 1;
  std::array<int, kColumns> colWidths_{};
  GridStore cells_;
};

struct StatusPanel {
  int width = 0;
  std::string text;
};

class StatusBar : public Control {
 public:
  StatusBar(std::string name, Control* parent, Rect design, std::vector<int> widths);
  std::function<void()> onResize;
  int PanelCount() const { return static_cast<int>(panels_.size()); }
  const StatusPanel& Panel(int i) const { return panels_[static_cast<size_t>(i)]; }
  void SetPanelText(int i, std::string text);
  void SetPanelWidth(int i, int width);
  // The real bar got its first size.
  void RaiseResize() { SizeChanged(); }

 protected:
  void SizeChanged() override {
    if (onResize) onResize();
  }

 private:
  std::vector<StatusPanel> panels_;
};

class MenuItem : public Component {
 public:
  MenuItem(std::string name, std::string caption) : Component(std::move(name)), caption_(std::move(caption)) {}
  std::function<void()> onClick;
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string c) {
    caption_ = std::move(c);
    Notify(Change::Caption);
  }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool e) {
    enabled_ = e;
    Notify(Change::Enabled);
  }
  // A check mark beside the caption.
  bool Checked() const { return checked_; }
  void SetChecked(bool c) {
    checked_ = c;
    Notify(Change::Checked);
  }
  // The caption "-" makes the item a separator line, as in the class library.
  bool IsSeparator() const { return caption_ == "-"; }
  void UserClick() {
    if (enabled_ && !IsSeparator() && onClick) onClick();
  }

 private:
  std::string caption_;
  bool enabled_ = true;
  bool checked_ = false;
};

struct Menu {
  std::string name;
  std::vector<MenuItem*> items;
};

class Timer : public Component {
 public:
  Timer(std::string name, int intervalMs) : Component(std::move(name)), interval_(intervalMs) {}
  std::function<void()> onTimer;
  int Interval() const { return interval_; }
  bool Enabled() const { return enabled_; }
  void Fire() {
    if (enabled_ && onTimer) onTimer();
  }

 private:
  int interval_;
  bool enabled_ = true;
};

// A top-level window. Width and height are the outer size; the client area
// is what the frame leaves (the frame's size comes from the view).
class Form : public Control {
 public:
  Form(std::string name, std::string caption, int width, int height);
  std::function<void()> onCreate, onClose, onShow;

  int Width() const { return Bounds().width; }
  int Height() const { return Bounds().height; }
  void SetWidth(int w);
  void SetHeight(int h);
  // The client area in layout units: the layout is made for 96 pixels per
  // inch, while the outer size and the frame are real pixels. Worked out in
  // 64 bits and held within ±kMaxClientExtent, so that any size the settings
  // file holds (up to the ends of the 32-bit range) lays out without the
  // layout's sums overflowing; no real window comes near that extent.
  static constexpr int kMaxClientExtent = 1 << 27;
  int ClientWidth() const { return ClientExtent(Bounds().width, frameWidth_); }
  int ClientHeight() const { return ClientExtent(Bounds().height, frameHeight_); }
  int Dpi() const { return dpi_; }
  void SetDpi(int dpi) { dpi_ = dpi > 0 ? dpi : 96; }
  // The frame's size (borders, title bar, menu bar) as the platform draws it.
  void SetFrame(int frameWidth, int frameHeight) {
    frameWidth_ = frameWidth;
    frameHeight_ = frameHeight;
  }
  // The real window's outer size changed (user resize, or a set size).
  void PlatformResized(int width, int height);
  // Asks for the window to be closed. Without a view, closing is simulated:
  // the close event runs at once.
  void Close();
  void ShowModal() { Notify(Change::ShowModal); }
  void Show() { Notify(Change::Show); }
  bool Closed() const { return closed_; }
  void MarkClosed() { closed_ = true; }

 private:
  int ClientExtent(int outer, int frame) const {
    const std::int64_t units = (std::int64_t{outer} - frame) * 96 / dpi_;
    return static_cast<int>(std::clamp<std::int64_t>(units, -kMaxClientExtent, kMaxClientExtent));
  }

  int frameWidth_ = 8;
  int frameHeight_ = 54;
  int dpi_ = 96;
  bool closed_ = false;
};

}  // namespace horone
