#include "win32/view.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

#include "base/error.h"
#include "win32/text_win32.h"

namespace horone::win32 {

namespace {

constexpr wchar_t kPanelClass[] = L"TPanel";
constexpr wchar_t kEditClass[] = L"TEdit";
// Room for the drop-down list below a combo box's edit field.
constexpr int kComboDropHeight = 160;
// Grid updates closer together than kBurstMs pause the painting of the grid
// and the status bar; both paint again kRedrawMs after the pause began.
// During the pause the list view gets its new item count and the status bar
// its texts at once (what they answer stays right), while the grid's current
// row (selection, focus and the scroll to it, a few notifications and a
// scroll bar update each time) follows when the pause ends. The timer's id
// is no Timer's address (those are the form's).
constexpr ULONGLONG kBurstMs = 50;
constexpr UINT kRedrawMs = 100;
constexpr UINT_PTR kRedrawTimer = 1;

WNDPROC g_editProc = nullptr;

// The window procedure each control of a view had before the view put its
// own in front, and the view it belongs to. Every window of the program is
// made and used by the one UI thread.
struct Subclassed {
  View* view;
  WNDPROC original;
};
std::unordered_map<HWND, Subclassed>& SubclassedWindows() {
  static std::unordered_map<HWND, Subclassed> windows;
  return windows;
}

// The procedure that handles a window's messages below the view's own.
WNDPROC OriginalProc(HWND h) {
  const auto& windows = SubclassedWindows();
  if (auto it = windows.find(h); it != windows.end()) return it->second.original;
  return reinterpret_cast<WNDPROC>(GetWindowLongPtrW(h, GWLP_WNDPROC));
}

LRESULT CallOriginal(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  return CallWindowProcW(OriginalProc(h), h, msg, wp, lp);
}

// The hidden chat edit and the watch-list entry field are "TEdit" windows:
// a superclass of the system edit control that behaves exactly like it.
LRESULT CALLBACK TEditProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  return CallWindowProcW(g_editProc, h, msg, wp, lp);
}

// Panels draw their bevel and pass their children's notifications on to the
// form, which handles every control of the window.
LRESULT CALLBACK PanelProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CONTEXTMENU: {
      // Straight to the form's procedure: a list view asks its parent for
      // every cell it paints, and each further SendMessageW would pass the
      // thread's message hooks once more.
      HWND root = GetAncestor(h, GA_ROOT);
      return CallWindowProcW(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(root, GWLP_WNDPROC)), root, msg, wp, lp);
    }
    case WM_ERASEBKGND: {
      RECT r;
      GetClientRect(h, &r);
      FillRect(reinterpret_cast<HDC>(wp), &r, GetSysColorBrush(COLOR_BTNFACE));
      return 1;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(h, &ps);
      if (GetWindowLongPtrW(h, GWLP_USERDATA) != 0) {  // outer bevel
        RECT r;
        GetClientRect(h, &r);
        DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT);
      }
      EndPaint(h, &ps);
      return 0;
    }
    default:
      return DefWindowProcW(h, msg, wp, lp);
  }
}

// The text of one of the program's own controls.
std::wstring WindowTextOf(HWND h) {
  const auto n = static_cast<int>(CallOriginal(h, WM_GETTEXTLENGTH, 0, 0));
  std::wstring s(static_cast<size_t>(std::max(0, n)) + 1, L'\0');
  const auto got = static_cast<int>(CallOriginal(h, WM_GETTEXT, s.size(), reinterpret_cast<LPARAM>(s.data())));
  s.resize(static_cast<size_t>(std::clamp(got, 0, std::max(0, n))));
  return s;
}

ShiftState CurrentShift() {
  return {GetKeyState(VK_SHIFT) < 0, GetKeyState(VK_CONTROL) < 0, GetKeyState(VK_MENU) < 0};
}

// Silences the notifications of a control while the program changes it.
struct Quiet {
  int& depth;
  explicit Quiet(int& d) : depth(d) { ++depth; }
  ~Quiet() { --depth; }
};

}  // namespace

void Guarded(Dialogs& dialogs, const std::function<void()>& handler) {
  try {
    handler();
  } catch (const UserError& e) {
    dialogs.ShowMessage(e.what());
  } catch (const std::bad_alloc&) {
    dialogs.ShowMessage("メモリが不足しています");
  } catch (const std::exception& e) {
    dialogs.ShowMessage(e.what());
  }
}

void View::RegisterClasses(HINSTANCE instance) {
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  GetClassInfoExW(nullptr, L"Edit", &wc);
  g_editProc = wc.lpfnWndProc;
  wc.lpfnWndProc = TEditProc;
  wc.hInstance = instance;
  wc.lpszClassName = kEditClass;
  RegisterClassExW(&wc);

  WNDCLASSEXW panel = {};
  panel.cbSize = sizeof panel;
  panel.lpfnWndProc = PanelProc;
  panel.hInstance = instance;
  panel.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  panel.lpszClassName = kPanelClass;
  RegisterClassExW(&panel);
}

View::View(HINSTANCE instance, Form& form, ViewOptions options, Dialogs& dialogs)
    : instance_(instance), form_(form), options_(std::move(options)), dialogs_(dialogs) {
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = FormProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  wc.hIcon = options_.icon;
  wc.hIconSm = options_.smallIcon;
  wc.lpszClassName = options_.className;
  RegisterClassExW(&wc);

  // The layout is made for 96 pixels per inch; the window's own DPI scales it.
  dpi_ = static_cast<int>(GetDpiForSystem());
  form_.SetDpi(dpi_);
  MakeFont();

  DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  DWORD exStyle = WS_EX_CONTROLPARENT;
  if (options_.sizable) style |= WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
  else exStyle |= WS_EX_DLGMODALFRAME;

  if (options_.mainMenu) BuildMenus();

  int width = form_.Width(), height = form_.Height();
  if (options_.clientSized) {
    RECT r{0, 0, S(width), S(height)};
    AdjustWindowRectExForDpi(&r, style, FALSE, exStyle, static_cast<UINT>(dpi_));
    width = r.right - r.left;
    height = r.bottom - r.top;
  }
  const std::wstring caption = Widen(form_.Caption());
  hwnd_ = CreateWindowExW(exStyle, options_.className, caption.c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT, width,
                          height, options_.owner, menuBar_, instance, this);
  if (!hwnd_) throw UserError("ウィンドウを作成できません");
  hwnds_[&form_] = hwnd_;
  if (const int own = static_cast<int>(GetDpiForWindow(hwnd_)); own > 0 && own != dpi_) {
    dpi_ = own;
    form_.SetDpi(dpi_);
    MakeFont();
  }
  SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);

  // The frame's real size, so the model lays out the real client area.
  RECT wr, cr;
  GetWindowRect(hwnd_, &wr);
  GetClientRect(hwnd_, &cr);
  if (options_.clientSized) {
    form_.SetFrame(0, 0);
  } else {
    form_.SetFrame((wr.right - wr.left) - cr.right, (wr.bottom - wr.top) - cr.bottom);
  }
  form_.LayoutChildren();

  CreateChildren(form_, hwnd_);
  form_.SetSink(this);

  // The timers run from the window's creation on.
  for (Timer* t : options_.timers) {
    t->SetSink(this);
    if (t->Enabled()) SetTimer(hwnd_, reinterpret_cast<UINT_PTR>(t), static_cast<UINT>(t->Interval()), nullptr);
  }
}

View::~View() {
  for (auto& [owner, menu] : popups_) DestroyMenu(menu);
  if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
  if (font_) DeleteObject(font_);
  if (rowHeightImages_) ImageList_Destroy(rowHeightImages_);
}

HWND View::HwndOf(const Component& c) const {
  auto it = hwnds_.find(&c);
  return it == hwnds_.end() ? nullptr : it->second;
}

void View::CreateChildren(Control& parent, HWND parentHwnd) {
  for (Control* c : parent.Children()) {
    HWND h = CreateControl(*c, parentHwnd);
    CreateChildren(*c, h);
  }
}

HWND View::CreateControl(Control& c, HWND parentHwnd) {
  const Rect b = Scaled(c.Bounds());
  const std::wstring text = Widen(c.Caption());
  DWORD style = WS_CHILD | WS_CLIPSIBLINGS | (c.Visible() ? WS_VISIBLE : 0) | (c.Enabled() ? 0 : WS_DISABLED);
  if (c.TabStop()) style |= WS_TABSTOP;
  DWORD exStyle = 0;
  const wchar_t* cls = L"Static";
  int height = b.height, width = b.width;
  switch (c.GetKind()) {
    case Kind::Panel:
      cls = kPanelClass;
      style = (style & ~WS_TABSTOP) | WS_CLIPCHILDREN;
      exStyle |= WS_EX_CONTROLPARENT;
      break;
    case Kind::GroupBox:
      cls = L"Button";
      style = (style & ~WS_TABSTOP) | BS_GROUPBOX;
      exStyle |= WS_EX_CONTROLPARENT;
      break;
    case Kind::Label:
      style = (style & ~WS_TABSTOP) | SS_LEFT | SS_NOPREFIX;
      break;
    case Kind::Image:
      style = (style & ~WS_TABSTOP) | SS_ICON | SS_REALSIZECONTROL;
      break;
    case Kind::Button:
      cls = L"Button";
      style |= static_cast<Button&>(c).IsDefault() ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
      break;
    case Kind::CheckBox:
      cls = L"Button";
      style |= BS_AUTOCHECKBOX;
      break;
    case Kind::Edit: {
      auto& e = static_cast<Edit&>(c);
      cls = kEditClass;
      style |= ES_AUTOHSCROLL | (e.ReadOnly() ? ES_READONLY : 0);
      if (e.Border()) exStyle |= WS_EX_CLIENTEDGE;
      break;
    }
    case Kind::ComboBox:
      cls = WC_COMBOBOXW;
      style |= CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL;
      height += S(kComboDropHeight);
      break;
    case Kind::ListBox:
      cls = WC_LISTBOXW;
      style |= LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | LBS_HASSTRINGS;
      exStyle |= WS_EX_CLIENTEDGE;
      break;
    case Kind::StringGrid:
      cls = WC_LISTVIEWW;
      style |= LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER | WS_HSCROLL | WS_VSCROLL;
      exStyle |= WS_EX_CLIENTEDGE;
      break;
    case Kind::StatusBar:
      cls = STATUSCLASSNAMEW;
      style = (style & ~WS_TABSTOP) | SBARS_SIZEGRIP | CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER;
      break;
    case Kind::Form:
      break;
  }
  if (c.GetKind() == Kind::Label && width == 0) {
    const SIZE sz = TextSize(parentHwnd, text);
    width = sz.cx;
    height = std::max(height, static_cast<int>(sz.cy));
  }
  const auto id = static_cast<INT_PTR>(nextId_++);
  HWND h = CreateWindowExW(exStyle, cls, c.GetKind() == Kind::StringGrid ? L"" : text.c_str(), style, b.left, b.top,
                           width, height, parentHwnd, reinterpret_cast<HMENU>(id), instance_, nullptr);
  if (!h) throw UserError("ウィンドウを作成できません");
  hwnds_[&c] = h;
  controls_[h] = &c;
  c.SetSink(this);
  Subclass(h);
  Direct(h, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);

  switch (c.GetKind()) {
    case Kind::Panel:
      SetWindowLongPtrW(h, GWLP_USERDATA, static_cast<Panel&>(c).OuterBevel() ? 1 : 0);
      break;
    case Kind::Image:
      if (options_.icon) SendMessageW(h, STM_SETICON, reinterpret_cast<WPARAM>(options_.icon), 0);
      SetWindowPos(h, nullptr, b.left, b.top, b.width, b.height, SWP_NOZORDER | SWP_NOACTIVATE);
      break;
    case Kind::CheckBox:
      SendMessageW(h, BM_SETCHECK, static_cast<CheckBox&>(c).Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
      break;
    case Kind::ComboBox: {
      auto& combo = static_cast<ComboBox&>(c);
      if (combo.MaxLength() > 0) SendMessageW(h, CB_LIMITTEXT, static_cast<WPARAM>(combo.MaxLength()), 0);
      SendMessageW(h, CB_SETITEMHEIGHT, 0, S(12));
      COMBOBOXINFO info = {};
      info.cbSize = sizeof info;
      if (GetComboBoxInfo(h, &info) && info.hwndItem) {
        // Key events come from the combo box's edit field.
        controls_[info.hwndItem] = &c;
        Subclass(info.hwndItem);
      }
      FillComboItems(combo);
      break;
    }
    case Kind::ListBox:
      SendMessageW(h, LB_SETITEMHEIGHT, 0, S(12));
      FillListBox(static_cast<ListBox&>(c));
      break;
    case Kind::StringGrid: {
      auto& grid = static_cast<StringGrid&>(c);
      ListView_SetExtendedListViewStyle(h, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_DOUBLEBUFFER);
      // The rows' height comes from the small image list.
      SetRowHeight(grid);
      for (int col = 0; col < StringGrid::kColumns; ++col) {
        LVCOLUMNW column = {};
        column.mask = LVCF_WIDTH | LVCF_TEXT | LVCF_FMT;
        column.fmt = LVCFMT_LEFT;
        column.cx = S(std::max(0, grid.ColWidth(col)));
        std::wstring header = Widen(grid.Cell(col, 0));
        column.pszText = header.data();
        ListView_InsertColumn(h, col, &column);
      }
      ListView_SetItemCountEx(h, grid.RowCount() - 1, LVSICF_NOINVALIDATEALL);
      break;
    }
    case Kind::StatusBar:
      SyncStatusParts(static_cast<StatusBar&>(c));
      static_cast<StatusBar&>(c).RaiseResize();  // as a real bar is resized once it exists
      break;
    default:
      break;
  }
  return h;
}

Rect View::Scaled(const Rect& r) const { return {S(r.left), S(r.top), S(r.width), S(r.height)}; }

void View::MakeFont() {
  // "ＭＳ Ｐゴシック", 12 pixels high at 96 DPI, Shift-JIS character set.
  HFONT font = CreateFontW(-S(12), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"ＭＳ Ｐゴシック");
  if (!font) return;
  if (font_) DeleteObject(font_);
  font_ = font;
}

SIZE View::TextSize(HWND h, const std::wstring& text) const {
  HDC dc = GetDC(h);
  HGDIOBJ old = SelectObject(dc, font_);
  SIZE sz{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &sz);
  SelectObject(dc, old);
  ReleaseDC(h, dc);
  sz.cx += S(2);
  return sz;
}

void View::SetRowHeight(StringGrid& grid) {
  // The list view takes its rows' height from the small image list.
  HWND h = HwndOf(grid);
  HIMAGELIST images = ImageList_Create(1, S(grid.DefaultRowHeight()), ILC_COLOR, 1, 0);
  ListView_SetImageList(h, images, LVSIL_SMALL);
  if (rowHeightImages_) ImageList_Destroy(rowHeightImages_);
  rowHeightImages_ = images;
}

void View::OnDpiChanged(int dpi, const RECT& suggested) {
  // Everything is placed again at the new scale: the font, every control,
  // the grid's columns and rows, the status bar's panels.
  dpi_ = dpi;
  form_.SetDpi(dpi);
  MakeFont();
  {
    Quiet q(suppress_);
    for (auto& [component, h] : hwnds_) {
      auto* c = dynamic_cast<Control*>(const_cast<Component*>(component));
      if (!c || c == &form_) continue;
      SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
      switch (c->GetKind()) {
        case Kind::ComboBox:
          SendMessageW(h, CB_SETITEMHEIGHT, 0, S(12));
          break;
        case Kind::ListBox:
          SendMessageW(h, LB_SETITEMHEIGHT, 0, S(12));
          break;
        case Kind::StringGrid:
          SetRowHeight(static_cast<StringGrid&>(*c));
          SyncGridColumns(static_cast<StringGrid&>(*c));
          break;
        case Kind::StatusBar:
          SyncStatusParts(static_cast<StatusBar&>(*c));
          break;
        default:
          break;
      }
    }
  }
  SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  OnSize();
  for (auto& [component, h] : hwnds_) {
    if (auto* c = dynamic_cast<Control*>(const_cast<Component*>(component)); c && c != &form_) ApplyBounds(*c);
  }
  InvalidateRect(hwnd_, nullptr, TRUE);
}

void View::Show() {
  // Centred on the screen at every start, at the size the form has now.
  RECT work;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  RECT wr;
  GetWindowRect(hwnd_, &wr);
  const int w = wr.right - wr.left, h = wr.bottom - wr.top;
  SetWindowPos(hwnd_, nullptr, work.left + ((work.right - work.left) - w) / 2,
               work.top + ((work.bottom - work.top) - h) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  ShowWindow(hwnd_, SW_SHOW);
  UpdateWindow(hwnd_);
  if (form_.onShow) Run(form_.onShow);
}

void View::ApplyBounds(Control& c) {
  HWND h = HwndOf(c);
  if (!h) return;
  if (&c == &form_) {
    if (options_.clientSized) return;
    RECT wr;
    GetWindowRect(hwnd_, &wr);
    if (wr.right - wr.left != form_.Width() || wr.bottom - wr.top != form_.Height()) {
      SetWindowPos(hwnd_, nullptr, 0, 0, form_.Width(), form_.Height(), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return;
  }
  const Rect b = Scaled(c.Bounds());
  int height = b.height;
  if (c.GetKind() == Kind::ComboBox) height += S(kComboDropHeight);
  int width = b.width;
  if (c.GetKind() == Kind::Label && c.Bounds().width == 0) {  // sized to its text
    const SIZE sz = TextSize(GetParent(h), Widen(c.Caption()));
    width = sz.cx;
    height = std::max(height, static_cast<int>(sz.cy));
  }
  SetWindowPos(h, nullptr, b.left, b.top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void View::BuildMenus() {
  for (const MenuBinding& m : options_.commands) {
    commandItems_[m.id] = m.item;
    itemIds_[m.item] = m.id;
    m.item->SetSink(this);
  }
  auto fill = [&](HMENU menu, const Menu& model) {
    for (MenuItem* item : model.items) {
      if (item->IsSeparator()) {
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        continue;
      }
      const std::wstring caption = Widen(item->Caption());
      AppendMenuW(menu,
                  MF_STRING | (item->Enabled() ? MF_ENABLED : MF_GRAYED) | (item->Checked() ? MF_CHECKED : MF_UNCHECKED),
                  static_cast<UINT_PTR>(itemIds_[item]), caption.c_str());
      itemMenus_[item].push_back(menu);
    }
  };
  menuBar_ = CreateMenu();
  fill(menuBar_, *options_.mainMenu);
  for (auto& [control, menu] : options_.contextMenus) {
    HMENU popup = CreatePopupMenu();
    fill(popup, *menu);
    popups_.emplace_back(nullptr, popup);
  }
}

void View::ApplyMenuItem(MenuItem& item) {
  const auto id = static_cast<UINT>(itemIds_[&item]);
  for (HMENU menu : itemMenus_[&item]) {
    const std::wstring caption = Widen(item.Caption());
    MENUITEMINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STRING | MIIM_STATE;
    info.dwTypeData = const_cast<wchar_t*>(caption.c_str());
    info.fState = (item.Enabled() ? MFS_ENABLED : MFS_GRAYED) | (item.Checked() ? MFS_CHECKED : MFS_UNCHECKED);
    SetMenuItemInfoW(menu, id, FALSE, &info);
  }
  if (menuBar_) DrawMenuBar(hwnd_);
}

void View::FillListBox(ListBox& list) {
  HWND h = HwndOf(list);
  if (!h) return;
  Quiet q(suppress_);
  Direct(h, WM_SETREDRAW, FALSE, 0);
  Direct(h, LB_RESETCONTENT, 0, 0);
  Direct(h, LB_INITSTORAGE, list.Items().size(), 0);
  std::wstring w;
  for (const auto& item : list.Items()) {
    w = Widen(item);
    Direct(h, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(w.c_str()));
  }
  Direct(h, LB_SETCURSEL, static_cast<WPARAM>(list.ItemIndex()), 0);
  Direct(h, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(h, nullptr, TRUE);
}

void View::FillComboItems(ComboBox& combo) {
  HWND h = HwndOf(combo);
  if (!h) return;
  Quiet q(suppress_);
  // Resetting the list empties the edit field too; the text is put back.
  Direct(h, CB_RESETCONTENT, 0, 0);
  // The items go straight into the drop-down list: an unsorted combo box
  // passes CB_ADDSTRING on to it unchanged, through one more SendMessageW.
  COMBOBOXINFO info = {};
  info.cbSize = sizeof info;
  HWND target = GetComboBoxInfo(h, &info) && info.hwndList ? info.hwndList : h;
  const UINT add = target == h ? CB_ADDSTRING : LB_ADDSTRING;
  if (target != h) Direct(target, LB_INITSTORAGE, combo.Items().size(), 0);
  std::wstring w;
  for (const auto& item : combo.Items()) {
    w = Widen(item);
    Direct(target, add, 0, reinterpret_cast<LPARAM>(w.c_str()));
  }
  SetWindowTextW(h, Widen(combo.Text()).c_str());
}

void View::SyncGridColumns(StringGrid& grid) {
  HWND h = HwndOf(grid);
  if (!h) return;
  // A hidden column (-1) is width 0 in the view.
  for (int col = 0; col < StringGrid::kColumns; ++col) {
    ListView_SetColumnWidth(h, col, S(std::max(0, grid.ColWidth(col))));
  }
}

void View::SyncGridHeader(StringGrid& grid, int col) {
  HWND h = HwndOf(grid);
  if (!h) return;
  std::wstring header = Widen(grid.Cell(col, 0));
  LVCOLUMNW column = {};
  column.mask = LVCF_TEXT;
  column.pszText = header.data();
  ListView_SetColumn(h, col, &column);
}

void View::SyncStatusParts(StatusBar& bar) {
  HWND h = HwndOf(bar);
  if (!h) return;
  std::vector<int> edges;
  int edge = 0;
  for (int i = 0; i < bar.PanelCount(); ++i) {
    edge += S(bar.Panel(i).width);
    edges.push_back(i + 1 == bar.PanelCount() ? -1 : edge);
  }
  SendMessageW(h, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
  for (int i = 0; i < bar.PanelCount(); ++i) {
    const std::wstring w = Widen(bar.Panel(i).text);
    SendMessageW(h, SB_SETTEXTW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(w.c_str()));
  }
}

void View::Changed(Component& component, Change what, int index) {
  if (what == Change::Close) {
    SendMessageW(hwnd_, WM_CLOSE, 0, 0);
    return;
  }
  if (what == Change::ShowModal) {
    RunModal();
    return;
  }
  if (what == Change::Show) {
    ShowModeless();
    return;
  }
  if (auto* item = dynamic_cast<MenuItem*>(&component)) {
    ApplyMenuItem(*item);
    return;
  }
  auto* control = dynamic_cast<Control*>(&component);
  HWND h = control ? HwndOf(*control) : nullptr;
  if (!h) return;
  if (batching_ > 0) {
    // Held back until the handler has ended; the model stays the truth.
    switch (what) {
      case Change::RowCount:
        pending_[control].rowCount = true;
        return;
      case Change::Cell:
        if (index > 0) {
          Pending& p = pending_[control];
          if (p.lastRow < p.firstRow) p.firstRow = p.lastRow = index;
          p.firstRow = std::min(p.firstRow, index);
          p.lastRow = std::max(p.lastRow, index);
          return;
        }
        break;
      case Change::CurrentRow:
        pending_[control].currentRow = true;
        return;
      case Change::PanelText: {
        auto& panels = pending_[control].panels;
        if (std::find(panels.begin(), panels.end(), index) == panels.end()) panels.push_back(index);
        return;
      }
      default:
        break;
    }
  }
  Quiet q(suppress_);
  switch (what) {
    case Change::Bounds:
      ApplyBounds(*control);
      break;
    case Change::Visible:
      ShowWindow(h, control->Visible() ? SW_SHOW : SW_HIDE);
      break;
    case Change::Enabled:
      EnableWindow(h, control->Enabled());
      break;
    case Change::Caption:
      SetWindowTextW(h, Widen(control->Caption()).c_str());
      break;
    case Change::Checked:
      SendMessageW(h, BM_SETCHECK, static_cast<CheckBox*>(control)->Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
      break;
    case Change::Items:
      if (control->GetKind() == Kind::ListBox) FillListBox(*static_cast<ListBox*>(control));
      else if (control->GetKind() == Kind::ComboBox) FillComboItems(*static_cast<ComboBox*>(control));
      break;
    case Change::ItemInsert: {
      auto& list = *static_cast<ListBox*>(control);
      const std::wstring w = Widen(list.Items()[static_cast<size_t>(index)]);
      SendMessageW(h, LB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(w.c_str()));
      SendMessageW(h, LB_SETCURSEL, static_cast<WPARAM>(list.ItemIndex()), 0);
      break;
    }
    case Change::ItemDelete: {
      auto& list = *static_cast<ListBox*>(control);
      SendMessageW(h, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
      SendMessageW(h, LB_SETCURSEL, static_cast<WPARAM>(list.ItemIndex()), 0);
      break;
    }
    case Change::ItemIndex:
      SendMessageW(h, LB_SETCURSEL, static_cast<WPARAM>(static_cast<ListBox*>(control)->ItemIndex()), 0);
      break;
    case Change::Focus:
      SetFocus(h);
      break;
    case Change::Selection: {
      auto& combo = *static_cast<ComboBox*>(control);
      const int start = combo.SelStart();
      const int end = start + combo.SelLength();
      SendMessageW(h, CB_SETEDITSEL, 0, MAKELPARAM(start, end));
      break;
    }
    case Change::RowCount: {
      auto& grid = *static_cast<StringGrid*>(control);
      Direct(h, LVM_SETITEMCOUNT, static_cast<WPARAM>(grid.RowCount() - 1), LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
      break;
    }
    case Change::Cell: {
      auto& grid = *static_cast<StringGrid*>(control);
      if (index == 0) {
        for (int col = 0; col < StringGrid::kColumns; ++col) SyncGridHeader(grid, col);
      } else {
        Direct(h, LVM_REDRAWITEMS, static_cast<WPARAM>(index - 1), index - 1);
      }
      break;
    }
    case Change::ColWidth:
      SyncGridColumns(*static_cast<StringGrid*>(control));
      break;
    case Change::CurrentRow:
      ApplyCurrentRow(*static_cast<StringGrid*>(control), h);
      break;
    case Change::PanelText: {
      auto& bar = *static_cast<StatusBar*>(control);
      const std::wstring w = Widen(bar.Panel(index).text);
      Direct(h, SB_SETTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(w.c_str()));
      break;
    }
    case Change::PanelWidth:
      SyncStatusParts(*static_cast<StatusBar*>(control));
      break;
    default:
      break;
  }
}

void View::ApplyCurrentRow(StringGrid& grid, HWND h) {
  // One row is selected and focused: the current one. Only the row selected
  // before is deselected, unless the user selected several: deselecting
  // every item costs the list view a step per item, however many rows the
  // log has.
  const int item = grid.Row() - 1;
  LVITEMW state = {};
  state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  const auto selected = static_cast<int>(Direct(h, LVM_GETSELECTEDCOUNT, 0, 0));
  const bool knownSelection =
      selected == 1 && selectedItem_ >= 0 &&
      (Direct(h, LVM_GETITEMSTATE, static_cast<WPARAM>(selectedItem_), LVIS_SELECTED) & LVIS_SELECTED) != 0;
  if (selected > 1 || (selected == 1 && !knownSelection)) {
    Direct(h, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
  } else if (knownSelection && selectedItem_ != item) {
    Direct(h, LVM_SETITEMSTATE, static_cast<WPARAM>(selectedItem_), reinterpret_cast<LPARAM>(&state));
  }
  if (item < 0) {
    selectedItem_ = -1;
    return;
  }
  state.state = LVIS_SELECTED | LVIS_FOCUSED;
  Direct(h, LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&state));
  selectedItem_ = item;
  Direct(h, LVM_ENSUREVISIBLE, static_cast<WPARAM>(item), FALSE);
}

void View::RunBatched(const std::function<void()>& handler) {
  // Flushed on the way out, before an error's message box is shown.
  struct Flusher {
    View& view;
    ~Flusher() {
      if (--view.batching_ != 0) return;
      try {
        view.Flush();
      } catch (...) {  // out of memory for a text: the windows catch up with the next change
      }
    }
  };
  ++batching_;
  Run([&] {
    Flusher flusher{*this};
    handler();
  });
}

void View::Flush() {
  if (pending_.empty()) return;
  auto pending = std::move(pending_);
  pending_.clear();
  Quiet q(suppress_);
  const ULONGLONG now = GetTickCount64();
  // A pause the timer could not end (a stream of sent messages leaves no
  // room for WM_TIMER) ends here.
  if (redrawOff_ && now - pauseStart_ >= kRedrawMs) EndRedrawPause();
  for (auto& [control, p] : pending) {
    HWND h = HwndOf(*control);
    if (!h) continue;
    if (control->GetKind() == Kind::StringGrid) {
      auto& grid = *static_cast<StringGrid*>(control);
      if (!redrawOff_ && now - lastGridFlush_ < kBurstMs) {
        Direct(h, WM_SETREDRAW, FALSE, 0);
        for (auto& [other, p2] : pending) {
          HWND bar = other->GetKind() == Kind::StatusBar ? HwndOf(*other) : nullptr;
          if (bar && !pausedBar_) {
            Direct(bar, WM_SETREDRAW, FALSE, 0);
            pausedBar_ = bar;
          }
        }
        redrawOff_ = h;
        pauseStart_ = now;
        SetTimer(hwnd_, kRedrawTimer, kRedrawMs, nullptr);
      }
      lastGridFlush_ = now;
      const int items = grid.RowCount() - 1;
      if (p.rowCount) Direct(h, LVM_SETITEMCOUNT, static_cast<WPARAM>(items), LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
      const int last = std::min(p.lastRow, items);
      if (p.firstRow <= last) Direct(h, LVM_REDRAWITEMS, static_cast<WPARAM>(p.firstRow - 1), last - 1);
      if (p.currentRow && redrawOff_) deferred_[control].currentRow = true;
      else if (p.currentRow) ApplyCurrentRow(grid, h);
    } else if (control->GetKind() == Kind::StatusBar) {
      auto& bar = *static_cast<StatusBar*>(control);
      for (int i : p.panels) {
        if (i >= bar.PanelCount()) continue;
        const std::wstring w = Widen(bar.Panel(i).text);
        Direct(h, SB_SETTEXTW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(w.c_str()));
      }
    }
  }
}

void View::EndRedrawPause() {
  KillTimer(hwnd_, kRedrawTimer);
  if (!redrawOff_) return;
  HWND h = redrawOff_;
  redrawOff_ = nullptr;
  Direct(h, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(h, nullptr, TRUE);
  if (pausedBar_) {
    Direct(pausedBar_, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(pausedBar_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
    pausedBar_ = nullptr;
  }
  ApplyDeferred();
}

void View::ApplyDeferred() {
  // The current row waited for the pause's end, or for someone to ask.
  if (deferred_.empty()) return;
  auto deferred = std::move(deferred_);
  deferred_.clear();
  Quiet q(suppress_);
  for (auto& [control, p] : deferred) {
    if (HWND ch = HwndOf(*control); ch && p.currentRow && control->GetKind() == Kind::StringGrid) {
      ApplyCurrentRow(*static_cast<StringGrid*>(control), ch);
    }
  }
}

void View::Subclass(HWND h) {
  auto& windows = SubclassedWindows();
  if (windows.count(h)) return;
  const auto original = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(h, GWLP_WNDPROC));
  windows[h] = {this, original};
  SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&View::ControlProc));
}

LRESULT View::Direct(HWND h, UINT msg, WPARAM wp, LPARAM lp) const { return CallOriginal(h, msg, wp, lp); }

LRESULT CALLBACK View::FormProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
    SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    reinterpret_cast<View*>(cs->lpCreateParams)->hwnd_ = h;
  }
  auto* self = reinterpret_cast<View*>(GetWindowLongPtrW(h, GWLP_USERDATA));
  if (!self) return DefWindowProcW(h, msg, wp, lp);
  return self->HandleFormMessage(msg, wp, lp);
}

LRESULT View::HandleFormMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
      OnCommand(wp, lp);
      return 0;
    case WM_NOTIFY:
      return OnNotify(reinterpret_cast<NMHDR*>(lp));
    case WM_CONTEXTMENU:
      OnContextMenu(reinterpret_cast<HWND>(wp), lp);
      return 0;
    case WM_SIZE:
      if (wp != SIZE_MINIMIZED) OnSize();
      return 0;
    case WM_DPICHANGED:
      OnDpiChanged(HIWORD(wp), *reinterpret_cast<RECT*>(lp));
      return 0;
    case WM_TIMER: {
      if (wp == kRedrawTimer) {
        EndRedrawPause();
        return 0;
      }
      auto* t = reinterpret_cast<Timer*>(wp);
      for (Timer* known : options_.timers) {
        if (known == t) Run([t] { t->Fire(); });
      }
      return 0;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      HDC dc = reinterpret_cast<HDC>(wp);
      auto it = controls_.find(reinterpret_cast<HWND>(lp));
      SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
      if (it != controls_.end() && it->second->GetKind() == Kind::Edit && it->second->Name() == "Edit1" &&
          &form_ == it->second->Parent()) {
        SetTextColor(dc, GetSysColor(COLOR_BTNSHADOW));  // the hidden chat edit
      }
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_CLOSE:
      if (options_.clientSized) {
        modal_ = false;
        ShowWindow(hwnd_, SW_HIDE);
        return 0;
      }
      if (form_.onClose) Run(form_.onClose);
      form_.MarkClosed();
      DestroyWindow(hwnd_);
      return 0;
    case WM_DESTROY:
      for (Timer* t : options_.timers) KillTimer(hwnd_, reinterpret_cast<UINT_PTR>(t));
      KillTimer(hwnd_, kRedrawTimer);
      if (!options_.clientSized) PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(hwnd_, msg, wp, lp);
  }
}

void View::OnSize() {
  RECT wr, cr;
  GetWindowRect(hwnd_, &wr);
  GetClientRect(hwnd_, &cr);
  if (options_.clientSized) return;
  const int w = wr.right - wr.left, h = wr.bottom - wr.top;
  // The menu bar can wrap, so the frame is measured again each time.
  form_.SetFrame(w - cr.right, h - cr.bottom);
  if (w == form_.Width() && h == form_.Height()) {
    form_.LayoutChildren();
  } else {
    form_.PlatformResized(w, h);
  }
}

void View::OnCommand(WPARAM wp, LPARAM lp) {
  const int id = LOWORD(wp);
  const int code = HIWORD(wp);
  HWND from = reinterpret_cast<HWND>(lp);
  if (!from) {
    if (auto it = commandItems_.find(id); it != commandItems_.end() && code == 0) {
      MenuItem* item = it->second;
      Run([item] { item->UserClick(); });
    } else if (options_.clientSized && id == IDOK && DefaultButton()) {
      // Enter in a box: its default button, as in a dialog.
      Button* button = DefaultButton();
      Run([button] { button->UserClick(); });
    } else if (options_.clientSized && (id == IDOK || id == IDCANCEL)) {
      SendMessageW(hwnd_, WM_CLOSE, 0, 0);
    }
    return;
  }
  auto it = controls_.find(from);
  if (it == controls_.end() || suppress_ > 0) return;
  Control& c = *it->second;
  switch (c.GetKind()) {
    case Kind::Button:
      if (code == BN_CLICKED) Run([&c] { static_cast<Button&>(c).UserClick(); });
      break;
    case Kind::CheckBox:
      if (code == BN_CLICKED) Run([&c] { static_cast<CheckBox&>(c).UserClick(); });
      break;
    case Kind::Edit:
      if (code == EN_CHANGE) {
        std::string text = Narrow(WindowTextOf(from));
        RunBatched([&c, &text] { static_cast<Edit&>(c).PlatformTextChanged(std::move(text)); });
      }
      break;
    case Kind::ComboBox: {
      auto& combo = static_cast<ComboBox&>(c);
      if (code == CBN_EDITCHANGE) {
        std::string text = Narrow(WindowTextOf(from));
        Run([&combo, &text] { combo.UserEdit(std::move(text)); });
      } else if (code == CBN_SELCHANGE) {
        const int index = static_cast<int>(SendMessageW(from, CB_GETCURSEL, 0, 0));
        if (index >= 0) Run([&combo, index] { combo.UserPick(index); });
      }
      break;
    }
    case Kind::ListBox:
      if (code == LBN_SELCHANGE) {
        const int index = static_cast<int>(SendMessageW(from, LB_GETCURSEL, 0, 0));
        Run([&c, index] { static_cast<ListBox&>(c).UserSelect(index); });
      }
      break;
    default:
      break;
  }
}

LRESULT View::OnNotify(NMHDR* hdr) {
  auto it = controls_.find(hdr->hwndFrom);
  if (it == controls_.end() || it->second->GetKind() != Kind::StringGrid) return 0;
  auto& grid = static_cast<StringGrid&>(*it->second);
  switch (hdr->code) {
    case LVN_GETDISPINFOW: {
      auto* info = reinterpret_cast<NMLVDISPINFOW*>(hdr);
      // The small image list only sets the rows' height: no image to draw.
      if (info->item.mask & LVIF_IMAGE) info->item.iImage = I_IMAGENONE;
      if (info->item.mask & LVIF_TEXT) {
        cellBuffer_ = Widen(grid.Cell(info->item.iSubItem, info->item.iItem + 1));
        const size_t room = info->item.cchTextMax > 0 ? static_cast<size_t>(info->item.cchTextMax) : 0;
        if (room > 0) {
          const size_t n = std::min(cellBuffer_.size(), room - 1);
          std::copy_n(cellBuffer_.data(), n, info->item.pszText);
          info->item.pszText[n] = L'\0';
        }
      }
      return 0;
    }
    case LVN_ITEMCHANGED: {
      auto* change = reinterpret_cast<NMLISTVIEW*>(hdr);
      if (change->iItem >= 0 && (change->uNewState & LVIS_SELECTED) && !(change->uOldState & LVIS_SELECTED)) {
        selectedItem_ = change->iItem;
      }
      const bool focused = (change->uNewState & LVIS_FOCUSED) && !(change->uOldState & LVIS_FOCUSED);
      if (suppress_ == 0 && focused && change->iItem >= 0) {
        const int row = change->iItem + 1;
        Run([&grid, row] { grid.UserSelectRow(row); });
      }
      return 0;
    }
    case NM_CLICK: {
      // A click on the row that is current already selects it again.
      auto* click = reinterpret_cast<NMITEMACTIVATE*>(hdr);
      if (suppress_ == 0 && click->iItem >= 0 && click->iItem + 1 == grid.Row()) {
        const int row = click->iItem + 1;
        Run([&grid, row] { grid.UserSelectRow(row); });
      }
      return 0;
    }
    default:
      return 0;
  }
}

void View::OnContextMenu(HWND target, LPARAM lp) {
  auto it = controls_.find(target);
  if (it == controls_.end()) return;
  for (size_t i = 0; i < options_.contextMenus.size(); ++i) {
    if (options_.contextMenus[i].first != it->second) continue;
    POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    if (lp == -1) {  // from the keyboard: at the control's top left
      RECT r;
      GetWindowRect(target, &r);
      pt = {r.left + 4, r.top + 4};
    }
    TrackPopupMenu(popups_[i].second, TPM_LEFTALIGN | TPM_RIGHTBUTTON, pt.x, pt.y, 0, hwnd_, nullptr);
    return;
  }
}

LRESULT CALLBACK View::ControlProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  auto& windows = SubclassedWindows();
  auto found = windows.find(h);
  if (found == windows.end()) return DefWindowProcW(h, msg, wp, lp);
  const Subclassed sub = found->second;
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(sub.original));
    windows.erase(found);
    sub.view->controls_.erase(h);
    return CallWindowProcW(sub.original, h, msg, wp, lp);
  }
  View* self = sub.view;
  // Whoever asks the grid for its selection, focus or scroll position during
  // a pause gets the current row as it is now.
  if (!self->deferred_.empty()) {
    switch (msg) {
      case LVM_GETNEXTITEM:
      case LVM_GETITEMSTATE:
      case LVM_GETITEMW:
      case LVM_GETITEMA:
      case LVM_GETSELECTEDCOUNT:
      case LVM_GETSELECTIONMARK:
      case LVM_GETTOPINDEX:
        self->ApplyDeferred();
        break;
      default:
        break;
    }
  }
  auto it = self->controls_.find(h);
  if (it != self->controls_.end()) {
    bool handled = false;
    const LRESULT r = self->HandleControlMessage(*it->second, h, msg, wp, lp, handled);
    if (handled) return r;
  }
  return CallWindowProcW(sub.original, h, msg, wp, lp);
}

LRESULT View::HandleControlMessage(Control& c, HWND h, UINT msg, WPARAM wp, LPARAM lp, bool& handled) {
  const Kind kind = c.GetKind();
  // Group boxes pass their children's notifications on, like panels.
  if (kind == Kind::GroupBox && (msg == WM_COMMAND || msg == WM_NOTIFY || msg == WM_CTLCOLORSTATIC ||
                                 msg == WM_CTLCOLOREDIT || msg == WM_CTLCOLORLISTBOX || msg == WM_CTLCOLORBTN)) {
    handled = true;
    return HandleFormMessage(msg, wp, lp);
  }
  if (kind == Kind::GroupBox && msg == WM_ERASEBKGND) {
    // The system group box leaves its inside unpainted.
    handled = true;
    RECT r;
    GetClientRect(h, &r);
    FillRect(reinterpret_cast<HDC>(wp), &r, GetSysColorBrush(COLOR_BTNFACE));
    return 1;
  }
  const bool isComboEdit = kind == Kind::ComboBox && h != HwndOf(c);
  const bool keyTarget = isComboEdit || (kind == Kind::Edit && !static_cast<Edit&>(c).ReadOnly());
  if (keyTarget) {
    switch (msg) {
      case WM_GETDLGCODE:
        // Enter belongs to the field (it sends or adds), not to the dialog
        // navigation; Tab still moves on.
        if (lp && reinterpret_cast<MSG*>(lp)->wParam == VK_RETURN) {
          handled = true;
          return CallOriginal(h, msg, wp, lp) | DLGC_WANTALLKEYS;
        }
        break;
      case WM_CHAR:
        if (wp == VK_RETURN) handled = true;  // no beep for Enter in a one-line field
        break;
      case WM_KEYDOWN:
        if (isComboEdit) {
          auto& combo = static_cast<ComboBox&>(c);
          const auto key = static_cast<std::uint16_t>(wp);
          const ShiftState shift = CurrentShift();
          Run([&combo, key, shift] { combo.UserKeyDown(key, shift); });
        }
        break;
      case WM_KEYUP:
        if (kind == Kind::Edit) {
          auto& edit = static_cast<Edit&>(c);
          const auto key = static_cast<std::uint16_t>(wp);
          const ShiftState shift = CurrentShift();
          Run([&edit, key, shift] { edit.UserKeyUp(key, shift); });
        }
        break;
      default:
        break;
    }
  }
  if (kind == Kind::StringGrid && msg == WM_KEYDOWN) {
    // The grid's key event; a key its handler takes (sets to 0) does not
    // reach the list view.
    auto& grid = static_cast<StringGrid&>(c);
    const auto key = static_cast<std::uint16_t>(wp);
    const ShiftState shift = CurrentShift();
    std::uint16_t left = key;
    Run([&grid, &left, key, shift] { left = grid.UserKeyDown(key, shift); });
    if (left == 0) {
      handled = true;
      return 0;
    }
  }
  if (kind == Kind::StringGrid && msg == WM_RBUTTONDOWN) {
    // A right click opens the context menu without moving the current row.
    handled = true;
    POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    ClientToScreen(h, &pt);
    SetFocus(h);
    OnContextMenu(h, MAKELPARAM(pt.x, pt.y));
    return 0;
  }
  return 0;
}

Button* View::DefaultButton() const {
  for (const auto& [h, c] : controls_) {
    if (c->GetKind() == Kind::Button && static_cast<Button*>(c)->IsDefault() && c->Enabled()) {
      return static_cast<Button*>(c);
    }
  }
  return nullptr;
}

void View::ShowModeless() {
  if (!IsWindowVisible(hwnd_)) {
    // Opens centred over its owner; stays where the user moves it while open.
    RECT owner, box;
    if (options_.owner && GetWindowRect(options_.owner, &owner) && GetWindowRect(hwnd_, &box)) {
      const int w = box.right - box.left, h = box.bottom - box.top;
      SetWindowPos(hwnd_, HWND_TOP, owner.left + ((owner.right - owner.left) - w) / 2,
                   owner.top + ((owner.bottom - owner.top) - h) / 2, 0, 0, SWP_NOSIZE);
    }
    ShowWindow(hwnd_, SW_SHOW);
  }
  SetActiveWindow(hwnd_);
  // The first text field gets the focus, its text selected to be typed over.
  for (Control* c : form_.Children()) {
    if (c->GetKind() != Kind::Edit || static_cast<Edit*>(c)->ReadOnly()) continue;
    if (HWND h = HwndOf(*c)) {
      SetFocus(h);
      SendMessageW(h, EM_SETSEL, 0, -1);
    }
    break;
  }
}

void View::RunModal() {
  HWND owner = options_.owner;
  RECT work;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  RECT wr;
  GetWindowRect(hwnd_, &wr);
  const int w = wr.right - wr.left, hgt = wr.bottom - wr.top;
  SetWindowPos(hwnd_, HWND_TOP, work.left + ((work.right - work.left) - w) / 2,
               work.top + ((work.bottom - work.top) - hgt) / 2, 0, 0, SWP_NOSIZE);
  if (owner) EnableWindow(owner, FALSE);
  ShowWindow(hwnd_, SW_SHOW);
  for (Control* c : form_.Children()) {
    if (c->GetKind() == Kind::Button && static_cast<Button*>(c)->IsDefault()) SetFocus(HwndOf(*c));
  }
  modal_ = true;
  MSG msg;
  while (modal_) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got <= 0) {
      PostQuitMessage(got == 0 ? static_cast<int>(msg.wParam) : 0);
      break;
    }
    if (!IsDialogMessageW(hwnd_, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  modal_ = false;
  if (owner) {
    EnableWindow(owner, TRUE);
    SetActiveWindow(owner);
  }
  ShowWindow(hwnd_, SW_HIDE);
}

}  // namespace horone::win32
