// Reading controls of another process: common controls through memory in
// the target (RemoteMemory), standard controls through marshalled messages.
#include "win32_test_support.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>

namespace wintest {

// --- RemoteMemory --------------------------------------------------------------

bool isWow64(HANDLE process) {
  BOOL wow = FALSE;
  if (!IsWow64Process(process, &wow)) throwLastError("IsWow64Process");
  return wow != FALSE;
}

namespace {

using NtMapViewOfSectionFn = LONG(NTAPI*)(HANDLE section, HANDLE process, PVOID* base, ULONG_PTR zeroBits,
                                          SIZE_T commitSize, PLARGE_INTEGER offset, PSIZE_T viewSize,
                                          DWORD inheritDisposition, ULONG allocationType, ULONG protect);
using NtUnmapViewOfSectionFn = LONG(NTAPI*)(HANDLE process, PVOID base);
constexpr DWORD kViewUnmap = 2;  // SECTION_INHERIT: not inherited by children

template <class F>
F ntdllExport(const char* name) {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(ntdll, name))) : nullptr;
}

RemoteMemoryMethod& defaultMethod() {
  static RemoteMemoryMethod method = [] {
    wchar_t v[32];
    DWORD n = GetEnvironmentVariableW(L"WINTEST_REMOTE_MEMORY", v, 32);
    if (n > 0 && n < 32 && CompareStringOrdinal(v, -1, L"section", -1, TRUE) == CSTR_EQUAL)
      return RemoteMemoryMethod::SharedSection;
    return RemoteMemoryMethod::VirtualAllocEx;
  }();
  return method;
}

}  // namespace

RemoteMemoryMethod defaultRemoteMemoryMethod() { return defaultMethod(); }
void setDefaultRemoteMemoryMethod(RemoteMemoryMethod method) { defaultMethod() = method; }

RemoteMemory::RemoteMemory(DWORD pid, size_t size, RemoteMemoryMethod method) : method_(method), size_(size) {
  process_.reset(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE |
                                 PROCESS_QUERY_INFORMATION,
                             FALSE, pid));
  if (!process_) throwLastError("OpenProcess(pid " + std::to_string(pid) + ")");
  if (isWow64(process_.get()) != isWow64(GetCurrentProcess())) {
    throw Error(
        "RemoteMemory: the target process and this test differ in bitness (one is 32-bit, the "
        "other 64-bit); control structures would be misread. Build the test with the same "
        "toolchain as the program under test.");
  }
  if (method_ == RemoteMemoryMethod::VirtualAllocEx) {
    address_ = VirtualAllocEx(process_.get(), nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!address_) throwLastError("VirtualAllocEx");
    return;
  }
  auto mapView = ntdllExport<NtMapViewOfSectionFn>("NtMapViewOfSection");
  if (!mapView) throw Error("RemoteMemory: ntdll has no NtMapViewOfSection");
  section_.reset(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                    static_cast<DWORD>(size), nullptr));
  if (!section_) throwLastError("CreateFileMappingW");
  local_ = MapViewOfFile(section_.get(), FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, size);
  if (!local_) throwLastError("MapViewOfFile");
  PVOID base = nullptr;
  SIZE_T viewSize = 0;
  LONG status = mapView(section_.get(), process_.get(), &base, 0, 0, nullptr, &viewSize, kViewUnmap, 0,
                        PAGE_READWRITE);
  if (status < 0) {
    UnmapViewOfFile(local_);
    local_ = nullptr;
    char what[64];
    wsprintfA(what, "NtMapViewOfSection(target): status 0x%08lX", static_cast<unsigned long>(status));
    throw Error(what);
  }
  address_ = base;
}

RemoteMemory::RemoteMemory(HWND windowInTarget, size_t size, RemoteMemoryMethod method)
    : RemoteMemory(windowProcessId(windowInTarget), size, method) {}

RemoteMemory::~RemoteMemory() {
  if (method_ == RemoteMemoryMethod::VirtualAllocEx) {
    if (address_) VirtualFreeEx(process_.get(), address_, 0, MEM_RELEASE);
    return;
  }
  if (address_) {
    if (auto unmap = ntdllExport<NtUnmapViewOfSectionFn>("NtUnmapViewOfSection")) unmap(process_.get(), address_);
  }
  if (local_) UnmapViewOfFile(local_);
}

void RemoteMemory::write(size_t offset, const void* data, size_t bytes) {
  if (offset + bytes > size_) throw Error("RemoteMemory::write out of range");
  if (local_) {
    std::memcpy(static_cast<char*>(local_) + offset, data, bytes);
    return;
  }
  SIZE_T done = 0;
  if (!WriteProcessMemory(process_.get(), addressAt(offset), data, bytes, &done) || done != bytes)
    throwLastError("WriteProcessMemory");
}

void RemoteMemory::read(size_t offset, void* data, size_t bytes) const {
  if (offset + bytes > size_) throw Error("RemoteMemory::read out of range");
  if (local_) {
    std::memcpy(data, static_cast<const char*>(local_) + offset, bytes);
    return;
  }
  SIZE_T done = 0;
  if (!ReadProcessMemory(process_.get(), addressAt(offset), data, bytes, &done) || done != bytes)
    throwLastError("ReadProcessMemory");
}

std::wstring RemoteMemory::readString(size_t offset, size_t maxChars) const {
  std::wstring s(maxChars, L'\0');
  read(offset, s.data(), maxChars * sizeof(wchar_t));
  size_t end = s.find(L'\0');
  if (end != std::wstring::npos) s.resize(end);
  return s;
}

namespace {

constexpr size_t kFirstTextChars = 512;
constexpr size_t kMaxTextChars = 1 << 20;

// Aligned offset of the text buffer placed after a structure in one block.
constexpr size_t textOffset(size_t structSize) { return (structSize + 15) & ~size_t{15}; }

void requireClass(HWND hwnd, const wchar_t* expected, const char* fn) {
  if (!IsWindow(hwnd)) throw Error(std::string(fn) + ": not a window");
  std::wstring c = windowClass(hwnd);
  if (CompareStringOrdinal(c.c_str(), -1, expected, -1, TRUE) != CSTR_EQUAL)
    throw Error(std::string(fn) + ": window class is " + toUtf8(c) + ", expected " + toUtf8(expected));
}

}  // namespace

// --- List view -------------------------------------------------------------------

int listViewItemCount(HWND lv) {
  return static_cast<int>(sendMessage(lv, LVM_GETITEMCOUNT, 0, 0));
}

std::wstring listViewItemText(HWND lv, int item, int subItem) {
  for (size_t chars = kFirstTextChars; chars <= kMaxTextChars; chars *= 8) {
    const size_t off = textOffset(sizeof(LVITEMW));
    RemoteMemory mem(lv, off + chars * sizeof(wchar_t));
    LVITEMW it{};
    it.mask = LVIF_TEXT;
    it.iItem = item;
    it.iSubItem = subItem;
    it.pszText = static_cast<LPWSTR>(mem.addressAt(off));
    it.cchTextMax = static_cast<int>(chars);
    mem.writeValue(0, it);
    wchar_t nul = 0;
    mem.write(off, &nul, sizeof nul);
    LRESULT n = sendMessage(lv, LVM_GETITEMTEXTW, static_cast<WPARAM>(item),
                            reinterpret_cast<LPARAM>(mem.address()));
    if (static_cast<size_t>(n) + 1 < chars) return mem.readString(off, std::min(chars, static_cast<size_t>(n) + 1));
  }
  throw Error("listViewItemText: text longer than 1M characters");
}

HWND listViewHeader(HWND lv) {
  return reinterpret_cast<HWND>(sendMessage(lv, LVM_GETHEADER, 0, 0));
}

int headerItemCount(HWND header) {
  return static_cast<int>(sendMessage(header, HDM_GETITEMCOUNT, 0, 0));
}

std::wstring headerItemText(HWND header, int index) {
  const size_t off = textOffset(sizeof(HDITEMW));
  const size_t chars = 1024;
  RemoteMemory mem(header, off + chars * sizeof(wchar_t));
  HDITEMW hi{};
  hi.mask = HDI_TEXT;
  hi.pszText = static_cast<LPWSTR>(mem.addressAt(off));
  hi.cchTextMax = static_cast<int>(chars);
  mem.writeValue(0, hi);
  wchar_t nul = 0;
  mem.write(off, &nul, sizeof nul);
  if (!sendMessage(header, HDM_GETITEMW, static_cast<WPARAM>(index),
                   reinterpret_cast<LPARAM>(mem.address())))
    throw Error("HDM_GETITEMW failed for item " + std::to_string(index));
  // The control may point pszText at its own copy instead of filling ours.
  HDITEMW back = mem.readValue<HDITEMW>(0);
  if (back.pszText != hi.pszText) throw Error("HDM_GETITEMW: text not copied into the buffer");
  return mem.readString(off, chars);
}

int headerItemWidth(HWND header, int index) {
  RemoteMemory mem(header, sizeof(HDITEMW));
  HDITEMW hi{};
  hi.mask = HDI_WIDTH;
  mem.writeValue(0, hi);
  if (!sendMessage(header, HDM_GETITEMW, static_cast<WPARAM>(index),
                   reinterpret_cast<LPARAM>(mem.address())))
    throw Error("HDM_GETITEMW failed for item " + std::to_string(index));
  return mem.readValue<HDITEMW>(0).cxy;
}

int listViewColumnCount(HWND lv) {
  HWND header = listViewHeader(lv);
  if (!header) throw Error("listViewColumnCount: the list view has no header (not report view?)");
  return headerItemCount(header);
}

std::vector<std::wstring> listViewHeaderTexts(HWND lv) {
  HWND header = listViewHeader(lv);
  if (!header) throw Error("listViewHeaderTexts: the list view has no header");
  std::vector<std::wstring> out;
  int n = headerItemCount(header);
  for (int i = 0; i < n; ++i) out.push_back(headerItemText(header, i));
  return out;
}

std::vector<std::wstring> listViewRow(HWND lv, int item) {
  std::vector<std::wstring> out;
  int columns = listViewColumnCount(lv);
  for (int c = 0; c < columns; ++c) out.push_back(listViewItemText(lv, item, c));
  return out;
}

int listViewColumnWidth(HWND lv, int column) {
  return static_cast<int>(sendMessage(lv, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
}

int listViewFocusedItem(HWND lv) {
  return static_cast<int>(sendMessage(lv, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
}

int listViewSelectedItem(HWND lv) {
  return static_cast<int>(sendMessage(lv, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

std::vector<int> listViewSelectedItems(HWND lv) {
  std::vector<int> out;
  int i = -1;
  while ((i = static_cast<int>(sendMessage(lv, LVM_GETNEXTITEM, static_cast<WPARAM>(i), LVNI_SELECTED))) != -1) {
    out.push_back(i);
    if (out.size() > 1000000) break;
  }
  return out;
}

int listViewSelectedCount(HWND lv) {
  return static_cast<int>(sendMessage(lv, LVM_GETSELECTEDCOUNT, 0, 0));
}

int listViewTopIndex(HWND lv) { return static_cast<int>(sendMessage(lv, LVM_GETTOPINDEX, 0, 0)); }

RECT listViewItemRect(HWND lv, int item) {
  RemoteMemory mem(lv, sizeof(RECT));
  RECT r{};
  r.left = LVIR_BOUNDS;
  mem.writeValue(0, r);
  if (!sendMessage(lv, LVM_GETITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(mem.address())))
    throw Error("LVM_GETITEMRECT failed for item " + std::to_string(item));
  return mem.readValue<RECT>(0);
}

// --- Status bar ----------------------------------------------------------------------

std::vector<int> statusBarPartEdges(HWND sb) {
  requireClass(sb, STATUSCLASSNAMEW, "statusBarPartEdges");
  constexpr int kMaxParts = 256;  // the control's own limit
  RemoteMemory mem(sb, kMaxParts * sizeof(int));
  int n = static_cast<int>(sendMessage(sb, SB_GETPARTS, kMaxParts, reinterpret_cast<LPARAM>(mem.address())));
  std::vector<int> edges(static_cast<size_t>(std::max(n, 0)));
  if (n > 0) mem.read(0, edges.data(), edges.size() * sizeof(int));
  return edges;
}

int statusBarPartCount(HWND sb) {
  requireClass(sb, STATUSCLASSNAMEW, "statusBarPartCount");
  return static_cast<int>(sendMessage(sb, SB_GETPARTS, 0, 0));
}

std::wstring statusBarText(HWND sb, int part) {
  requireClass(sb, STATUSCLASSNAMEW, "statusBarText");
  LRESULT lr = sendMessage(sb, SB_GETTEXTLENGTHW, static_cast<WPARAM>(part), 0);
  size_t length = LOWORD(lr);
  RemoteMemory mem(sb, (length + 1) * sizeof(wchar_t));
  wchar_t nul = 0;
  mem.write(0, &nul, sizeof nul);
  sendMessage(sb, SB_GETTEXTW, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(mem.address()));
  return mem.readString(0, length + 1);
}

std::vector<std::wstring> statusBarTexts(HWND sb) {
  std::vector<std::wstring> out;
  int n = statusBarPartCount(sb);
  for (int i = 0; i < n; ++i) out.push_back(statusBarText(sb, i));
  return out;
}

// --- List box ---------------------------------------------------------------------------

int listBoxCount(HWND lb) {
  LRESULT n = sendMessage(lb, LB_GETCOUNT, 0, 0);
  if (n == LB_ERR) throw Error("LB_GETCOUNT failed");
  return static_cast<int>(n);
}

std::wstring listBoxItem(HWND lb, int index) {
  LRESULT len = sendMessage(lb, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (len == LB_ERR) throw Error("LB_GETTEXTLEN failed for item " + std::to_string(index));
  std::wstring s(static_cast<size_t>(len) + 1, L'\0');
  LRESULT got = sendMessage(lb, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(s.data()));
  if (got == LB_ERR) throw Error("LB_GETTEXT failed for item " + std::to_string(index));
  s.resize(static_cast<size_t>(std::min<LRESULT>(got, len)));
  return s;
}

std::vector<std::wstring> listBoxItems(HWND lb) {
  std::vector<std::wstring> out;
  int n = listBoxCount(lb);
  for (int i = 0; i < n; ++i) out.push_back(listBoxItem(lb, i));
  return out;
}

int listBoxCurSel(HWND lb) {
  LRESULT r = sendMessage(lb, LB_GETCURSEL, 0, 0);
  return r == LB_ERR ? -1 : static_cast<int>(r);
}

std::vector<int> listBoxSelectedItems(HWND lb) {
  LRESULT n = sendMessage(lb, LB_GETSELCOUNT, 0, 0);
  if (n == LB_ERR) {  // single-selection list box
    int sel = listBoxCurSel(lb);
    return sel < 0 ? std::vector<int>{} : std::vector<int>{sel};
  }
  std::vector<int> items(static_cast<size_t>(n));
  if (n > 0) {
    LRESULT got = sendMessage(lb, LB_GETSELITEMS, static_cast<WPARAM>(n), reinterpret_cast<LPARAM>(items.data()));
    items.resize(got == LB_ERR ? 0 : static_cast<size_t>(got));
  }
  return items;
}

int listBoxTopIndex(HWND lb) { return static_cast<int>(sendMessage(lb, LB_GETTOPINDEX, 0, 0)); }

// --- Combo box ----------------------------------------------------------------------------

int comboCount(HWND cb) {
  LRESULT n = sendMessage(cb, CB_GETCOUNT, 0, 0);
  if (n == CB_ERR) throw Error("CB_GETCOUNT failed");
  return static_cast<int>(n);
}

std::wstring comboItem(HWND cb, int index) {
  LRESULT len = sendMessage(cb, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (len == CB_ERR) throw Error("CB_GETLBTEXTLEN failed for item " + std::to_string(index));
  std::wstring s(static_cast<size_t>(len) + 1, L'\0');
  LRESULT got = sendMessage(cb, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(s.data()));
  if (got == CB_ERR) throw Error("CB_GETLBTEXT failed for item " + std::to_string(index));
  s.resize(static_cast<size_t>(std::min<LRESULT>(got, len)));
  return s;
}

std::vector<std::wstring> comboItems(HWND cb) {
  std::vector<std::wstring> out;
  int n = comboCount(cb);
  for (int i = 0; i < n; ++i) out.push_back(comboItem(cb, i));
  return out;
}

int comboCurSel(HWND cb) {
  LRESULT r = sendMessage(cb, CB_GETCURSEL, 0, 0);
  return r == CB_ERR ? -1 : static_cast<int>(r);
}

std::wstring comboText(HWND cb) { return windowText(cb); }

bool comboDroppedDown(HWND cb) { return sendMessage(cb, CB_GETDROPPEDSTATE, 0, 0) != 0; }

// --- Buttons ---------------------------------------------------------------------------------

int checkState(HWND button) { return static_cast<int>(sendMessage(button, BM_GETCHECK, 0, 0)); }

}  // namespace wintest
