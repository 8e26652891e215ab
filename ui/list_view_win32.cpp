// The list 超级列表框1 on Win32: an owner-data report list view that shows the row store's cells
// and asks the store whenever it paints, so no row ever lives in the control itself.
#include <windows.h>

#include <commctrl.h>
#include <windowsx.h>

#include <atomic>

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

// A key may move nowhere (Down on the last row): then the row cleared before is selected again.
LRESULT KeyDownWithSelectionCleared(HWND list, WPARAM key, LPARAM flags) {
  int selected = SelectedRow(list);
  if (selected >= 0) SetRowSelected(list, selected, false);
  LRESULT result = DefSubclassProc(list, WM_KEYDOWN, key, flags);
  if (selected >= 0 && IsWindow(list) && SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0) == 0) {
    SetRowSelected(list, selected, true);
  }
  return result;
}

LRESULT CALLBACK ListProcedure(HWND list, UINT message, WPARAM wparam, LPARAM lparam,
                               UINT_PTR subclass, DWORD_PTR) {
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
      ClearSelectionBeforeClick(list, wparam, lparam);
      break;
    case WM_KEYDOWN:
      if (MovesSelection(wparam)) return KeyDownWithSelectionCleared(list, wparam, lparam);
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(list, ListProcedure, subclass);
      break;
  }
  return DefSubclassProc(list, message, wparam, lparam);
}

}  // namespace

namespace win32 {

HWND CreateListView(HWND parent, const ListLayout& layout, HFONT font) {
  HWND list = CreateWindowExA(0, WC_LISTVIEWA, "", kListStyle, layout.left, layout.top,
                              layout.width, layout.height, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(layout.unit.unit)),
                              GetModuleHandleA(nullptr), nullptr);
  if (!list || !SetWindowSubclass(list, ListProcedure, 0, 0)) {
    if (list) DestroyWindow(list);
    return nullptr;
  }
  rows_changed.store(false);  // a notice for an earlier window's list
  SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, kListExtendedStyle, kListExtendedStyle);
  SendMessageA(list, LVM_SETTEXTCOLOR, 0, kBlack);
  SendMessageA(list, LVM_SETTEXTBKCOLOR, 0, kWhite);
  SendMessageA(list, LVM_SETBKCOLOR, 0, kWhite);
  SendMessageA(list, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  for (int column = 0; column < 4; ++column) {
    LVCOLUMNA info = {};
    info.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    info.fmt = LVCFMT_LEFT;
    info.cx = layout.columns[column].width;
    info.pszText = const_cast<char*>(layout.columns[column].header);
    info.iSubItem = column;
    if (SendMessageA(list, LVM_INSERTCOLUMNA, column, reinterpret_cast<LPARAM>(&info)) < 0) {
      DestroyWindow(list);
      return nullptr;
    }
  }
  return list;
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
    case LVN_ODFINDITEMA:
      *result = -1;  // no search by typing: the rows are numbered, not named
      return true;
    case NM_RCLICK:
      // On a row or on the empty area below the rows alike; the handler is not told where.
      RaiseRightClick(frame.list_unit);
      return true;
  }
  return false;
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
// the cells changed so far.
void BackendListRowsReplaced(UnitRef list) {
  if (list != frame.list_unit || !frame.list) return;
  rows_changed.store(false, std::memory_order_relaxed);
  SendMessageA(frame.list, LVM_DELETEALLITEMS, 0, 0);
  SendMessageA(frame.list, LVM_SETITEMCOUNT, GetRowCount(list), 0);
}

// Called once per cell write, millions of times in an MD5 pass and from any thread: a store to
// one flag, and the repaint timer redraws the visible rows at most every few tens of milliseconds.
void BackendListRowsChanged(UnitRef) {
  rows_changed.store(true, std::memory_order_release);
}

void BackendEnsureRowVisible(UnitRef list, int32_t row) {
  if (list != frame.list_unit || !frame.list) return;
  SendMessageA(frame.list, LVM_ENSUREVISIBLE, row, FALSE);
}

}  // namespace vx
