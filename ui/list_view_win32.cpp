// The list 超级列表框1 on Win32: an owner-data report list view that shows the row store's cells
// and asks the store whenever it paints, so no row ever lives in the control itself.
#include <windows.h>

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <atomic>
#include <string>

#include "ui/list_control.h"
#include "ui/window_backend.h"
#include "ui/window_win32.h"

namespace vx {

namespace {

using win32::frame;

constexpr DWORD kListStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS |
                             WS_CLIPCHILDREN | WS_BORDER | LVS_REPORT | LVS_SINGLESEL |
                             LVS_OWNERDATA;
// No LVS_EX_HEADERDRAGDROP: the columns cannot be dragged into another order.
constexpr DWORD kListExtendedStyle =
    LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_INFOTIP | LVS_EX_SUBITEMIMAGES;
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);

// Set by every cell write, from any thread; the repaint timer takes it on the UI thread.
std::atomic<bool> rows_changed{false};

// The rows the view holds: the store's first rows, as many as the control takes.
int32_t view_row_limit = win32::kListViewRowLimit;
int32_t rows_in_view = 0;

// The flag that Windows documents, from Vista on, as the type-to-find search (the MinGW headers
// lack it): answered as LVFI_PARTIAL.
constexpr UINT kFindSubstring = 0x4;

void AnswerDisplayInfo(NMLVDISPINFOA* info) {
  LVITEMA& item = info->item;
  if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
    CopyCellText(frame.list_unit, item.iItem, item.iSubItem, item.pszText, item.cchTextMax);
  }
}

void AnswerInfoTip(NMLVGETINFOTIPA* tip) {
  if (tip->pszText && tip->cchTextMax > 0) {
    CopyRowInfoTip(frame.list_unit, tip->iItem, tip->pszText, tip->cchTextMax);
  }
}

// The one selected row (the list allows no more), or -1 when none is.
int SelectedRow(HWND list) {
  if (SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0) != 1) return -1;
  // A click or a key that selects a row also focuses it and marks it; only a Ctrl or Shift right
  // click moves the focus away. Both are looked up at once, a search from the top is row by row.
  auto focused =
      static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, -1, LVNI_FOCUSED | LVNI_SELECTED));
  if (focused >= 0) return focused;
  auto mark = static_cast<int>(SendMessageA(list, LVM_GETSELECTIONMARK, 0, 0));
  if (mark >= 0 && SendMessageA(list, LVM_GETITEMSTATE, mark, LVIS_SELECTED)) return mark;
  return static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, -1, LVNI_SELECTED));
}

void SetRowSelected(HWND list, int row, bool selected) {
  LVITEMA item = {};
  item.stateMask = LVIS_SELECTED;
  item.state = selected ? LVIS_SELECTED : 0;
  SendMessageA(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

// Wine's list view clears an owner-data list's selection by visiting every row, about 0.7 us a
// row, whenever a click or a key moves the selection while a row is selected; with no row
// selected it skips that. On the digested list of a million rows a right click took most of a
// second to open the menu. So the one selected row is cleared first, by itself, and the list then
// selects as it always does; the rows it ends with selected are the same.

// A button going down on another row, or below the rows, moves the selection there (or clears
// it). Ctrl and Shift clicks are left alone: a right click with them keeps the selection.
void ClearSelectionBeforeClick(HWND list, WPARAM keys, LPARAM position) {
  if (keys & (MK_CONTROL | MK_SHIFT)) return;
  int selected = SelectedRow(list);
  if (selected < 0) return;
  LVHITTESTINFO hit = {};
  hit.pt = {GET_X_LPARAM(position), GET_Y_LPARAM(position)};
  SendMessageA(list, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
  if (hit.iItem != selected) SetRowSelected(list, selected, false);
}

bool MovesSelection(WPARAM key) {
  switch (key) {
    case VK_UP:
    case VK_DOWN:
    case VK_LEFT:
    case VK_RIGHT:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_HOME:
    case VK_END:
    case VK_SPACE:
      return !(GetKeyState(VK_CONTROL) & 0x8000) && !(GetKeyState(VK_SHIFT) & 0x8000);
  }
  return false;
}

// Typing finds a row by its number and selects it the same way. Control characters (below the
// blank) find nothing.
bool MayFindRow(WPARAM character) {
  return character > ' ';
}

// A key may move nowhere (Down on the last row, a typed number that no row has): then the row
// cleared before is selected again.
LRESULT KeyWithSelectionCleared(HWND list, UINT message, WPARAM key, LPARAM flags) {
  int selected = SelectedRow(list);
  if (selected >= 0) SetRowSelected(list, selected, false);
  LRESULT result = DefSubclassProc(list, message, key, flags);
  if (selected >= 0 && IsWindow(list) && SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0) == 0) {
    SetRowSelected(list, selected, true);
  }
  return result;
}

bool IsKeyDown(int key) {
  return (GetKeyState(key) & 0x8000) != 0;
}

// Ctrl+C's character (ETX), which TranslateMessage makes of the key after it was handled.
constexpr WPARAM kCopyCharacter = 3;

bool IsCopyKey(WPARAM key) {
  return key == 'C' && IsKeyDown(VK_CONTROL) && !IsKeyDown(VK_SHIFT);
}

// The type-to-find of the control asks for the next row from `start` on whose number begins with
// the typed characters; other searches (exact texts, positions) are never asked of this list.
// Only the rows in the view can be found.
LRESULT FindRow(int start, UINT flags, const std::string& typed) {
  if (!(flags & (LVFI_PARTIAL | kFindSubstring)) || typed.empty()) return -1;
  int32_t row =
      FindRowStartingWith(frame.list_unit, start, typed.data(), typed.size(), rows_in_view);
  if (!(flags & LVFI_WRAP) && row < start) return -1;
  return row;
}

// Wine asks in UTF-16 even when the parent is ANSI; the numbers are compared as the cells hold
// them, in the ANSI code page.
std::string AnsiText(const wchar_t* text) {
  if (!text) return std::string();
  int size = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return std::string();
  std::string converted(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, text, -1, &converted[0], size, nullptr, nullptr);
  converted.resize(static_cast<size_t>(size - 1));
  return converted;
}

// Screen coordinates where the menu opened from the keyboard goes: the middle of the focused
// row's left end when some of the row shows below the header, else the list's top-left corner.
POINT MenuKeyPoint(HWND list) {
  RECT rows = {};
  GetClientRect(list, &rows);
  auto header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
  RECT header_place = {};
  if (header && IsWindowVisible(header) && GetWindowRect(header, &header_place)) {
    rows.top += header_place.bottom - header_place.top;
  }
  POINT at = {0, 0};
  auto focused = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, -1, LVNI_FOCUSED));
  RECT row = {LVIR_BOUNDS, 0, 0, 0};
  RECT shown = {};
  if (focused >= 0 &&
      SendMessageA(list, LVM_GETITEMRECT, focused, reinterpret_cast<LPARAM>(&row)) &&
      IntersectRect(&shown, &row, &rows)) {
    at = {shown.left, (shown.top + shown.bottom) / 2};
  }
  ClientToScreen(list, &at);
  return at;
}

LRESULT CALLBACK ListProcedure(HWND list, UINT message, WPARAM wparam, LPARAM lparam,
                               UINT_PTR subclass, DWORD_PTR) {
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
      ClearSelectionBeforeClick(list, wparam, lparam);
      break;
    case WM_KEYDOWN:
      if (IsCopyKey(wparam)) {
        RaiseCopyKey(frame.list_unit);
        return 0;
      }
      if (MovesSelection(wparam)) return KeyWithSelectionCleared(list, message, wparam, lparam);
      break;
    case WM_CHAR:
      if (wparam == kCopyCharacter) return 0;
      if (MayFindRow(wparam)) return KeyWithSelectionCleared(list, message, wparam, lparam);
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(list, ListProcedure, subclass);
      break;
  }
  return DefSubclassProc(list, message, wparam, lparam);
}

}  // namespace

namespace win32 {

void SetListViewRowLimitForTesting(int32_t limit) {
  view_row_limit = limit > 0 && limit < kListViewRowLimit ? limit : kListViewRowLimit;
}

HWND CreateListView(HWND parent, const ListLayout& layout, HFONT font, UINT dpi) {
  HWND list = CreateWindowExA(0, WC_LISTVIEWA, "", kListStyle, Scaled(layout.left, dpi),
                              Scaled(layout.top, dpi), Scaled(layout.width, dpi),
                              Scaled(layout.height, dpi), parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(layout.unit.unit)),
                              GetModuleHandleA(nullptr), nullptr);
  if (!list || !SetWindowSubclass(list, ListProcedure, 0, 0)) {
    if (list) DestroyWindow(list);
    return nullptr;
  }
  rows_changed.store(false);  // a notice for an earlier window's list
  rows_in_view = 0;
  SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, kListExtendedStyle, kListExtendedStyle);
  SendMessageA(list, LVM_SETTEXTCOLOR, 0, kBlack);
  SendMessageA(list, LVM_SETTEXTBKCOLOR, 0, kWhite);
  SendMessageA(list, LVM_SETBKCOLOR, 0, kWhite);
  SendMessageA(list, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  for (int column = 0; column < 4; ++column) {
    LVCOLUMNA info = {};
    info.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    info.fmt = LVCFMT_LEFT;
    info.cx = Scaled(layout.columns[column].width, dpi);
    info.pszText = const_cast<char*>(layout.columns[column].header);
    info.iSubItem = column;
    if (SendMessageA(list, LVM_INSERTCOLUMNA, column, reinterpret_cast<LPARAM>(&info)) < 0) {
      DestroyWindow(list);
      return nullptr;
    }
  }
  return list;
}

// The columns keep the widths the user may have dragged them to, in proportion.
void RescaleListView(UINT old_dpi, HFONT font) {
  if (!frame.list || old_dpi == 0) return;
  const RECT& place = frame.list_place;
  MoveWindow(frame.list, Scaled(place.left, frame.dpi), Scaled(place.top, frame.dpi),
             Scaled(place.right - place.left, frame.dpi),
             Scaled(place.bottom - place.top, frame.dpi), TRUE);
  for (int column = 0; column < 4; ++column) {
    auto width = static_cast<int>(SendMessageA(frame.list, LVM_GETCOLUMNWIDTH, column, 0));
    SendMessageA(frame.list, LVM_SETCOLUMNWIDTH, column,
                 MulDiv(width, static_cast<int>(frame.dpi), static_cast<int>(old_dpi)));
  }
  SendMessageA(frame.list, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

bool HandleListNotification(const NMHDR* header, LRESULT* result) {
  if (!header || !frame.list || header->hwndFrom != frame.list) return false;
  *result = 0;
  switch (header->code) {
    case LVN_GETDISPINFOA:
      AnswerDisplayInfo(reinterpret_cast<NMLVDISPINFOA*>(const_cast<NMHDR*>(header)));
      return true;
    case LVN_GETINFOTIPA:
      AnswerInfoTip(reinterpret_cast<NMLVGETINFOTIPA*>(const_cast<NMHDR*>(header)));
      return true;
    case LVN_DELETEALLITEMS:
      *result = TRUE;  // no notice per row: the rows live in the store, not in the control
      return true;
    case LVN_ODFINDITEMA: {
      auto* find = reinterpret_cast<const NMLVFINDITEMA*>(header);
      *result = FindRow(find->iStart, find->lvfi.flags, find->lvfi.psz ? find->lvfi.psz : "");
      return true;
    }
    case LVN_ODFINDITEMW: {
      auto* find = reinterpret_cast<const NMLVFINDITEMW*>(header);
      *result = FindRow(find->iStart, find->lvfi.flags, AnsiText(find->lvfi.psz));
      return true;
    }
    case NM_RCLICK:
      // On a row or on the empty area below the rows alike; the handler is not told where.
      RaiseRightClick(frame.list_unit);
      return true;
  }
  return false;
}

void OpenListMenuFromKeyboard() {
  if (!frame.list) return;
  POINT at = MenuKeyPoint(frame.list);
  RaiseMenuKey(frame.list_unit, at.x, at.y);
}

void RepaintChangedRows() {
  if (!frame.list || !rows_changed.exchange(false, std::memory_order_acq_rel)) return;
  auto count = static_cast<int>(SendMessageA(frame.list, LVM_GETITEMCOUNT, 0, 0));
  if (count <= 0) return;
  auto top = static_cast<int>(SendMessageA(frame.list, LVM_GETTOPINDEX, 0, 0));
  // One more than fits, for a row that is partly in view at the bottom.
  auto last = top + static_cast<int>(SendMessageA(frame.list, LVM_GETCOUNTPERPAGE, 0, 0));
  if (last > count - 1) last = count - 1;
  SendMessageA(frame.list, LVM_REDRAWITEMS, top, last);
}

}  // namespace win32

// As the items were deleted and inserted anew: the selection and the scroll position go back to
// the top, and the control takes the store's new row count and repaints all of it, which covers
// the cells changed so far. A count past the control's limit would leave it empty: it shows the
// first rows it can hold, and fewer still where it refuses a count (memory being short). A count
// of 0 drops the selection and the focus as LVM_DELETEALLITEMS does, which Wine's list view
// does by walking every row, even of an owner-data list (0.3 s for 100 million rows).
void BackendListRowsReplaced(UnitRef list) {
  if (list != frame.list_unit || !frame.list) return;
  rows_changed.store(false, std::memory_order_relaxed);
  SendMessageA(frame.list, LVM_SETITEMCOUNT, 0, 0);
  int32_t rows = std::min(GetRowCount(list), view_row_limit);
  while (!SendMessageA(frame.list, LVM_SETITEMCOUNT, rows, 0) && rows > 0) rows /= 2;
  rows_in_view = rows;
}

// Called once per cell write, millions of times in an MD5 pass and from any thread: a store to
// one flag, and the repaint timer redraws the visible rows at most every few tens of milliseconds.
void BackendListRowsChanged(UnitRef) {
  rows_changed.store(true, std::memory_order_release);
}

int32_t BackendSelectedRow(UnitRef list) {
  if (list != frame.list_unit || !frame.list) return -1;
  return SelectedRow(frame.list);
}

// A row past the view's rows brings its last row into view.
void BackendEnsureRowVisible(UnitRef list, int32_t row) {
  if (list != frame.list_unit || !frame.list || rows_in_view == 0) return;
  SendMessageA(frame.list, LVM_ENSUREVISIBLE, std::min(row, rows_in_view - 1), FALSE);
}

}  // namespace vx
