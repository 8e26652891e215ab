// Reading list views of the target.
#include "tests/e2e/actions.h"

#include <commctrl.h>

namespace vx::e2e {

int ListRowCount(HWND list) {
  DWORD_PTR count = 0;
  if (!SendMessageTimeoutA(list, LVM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG, kAnswerMs, &count)) {
    return -1;
  }
  return static_cast<int>(count);
}

bool ReadListCell(TargetProcess& target, HWND list, int row, int column, std::string* text,
                  DWORD timeout_ms) {
  // The item and its text buffer live in the target, where the list writes the text (an
  // owner-data list asks its parent for it while handling the message).
  constexpr int kTextSize = 1024;
  RemoteBlock block(target, sizeof(LVITEMA) + kTextSize);
  if (!block.address()) return false;
  uintptr_t remote_text = block.address() + sizeof(LVITEMA);
  LVITEMA item = {};
  item.mask = LVIF_TEXT;
  item.iItem = row;
  item.iSubItem = column;
  item.pszText = reinterpret_cast<char*>(remote_text);
  item.cchTextMax = kTextSize;
  char buffer[kTextSize] = "";
  DWORD_PTR length = 0;
  if (!target.Write(block.address(), &item, sizeof item) || !target.Write(remote_text, buffer, 1) ||
      !block.Send(list, LVM_GETITEMTEXTA, row, timeout_ms, &length) ||
      !target.Read(remote_text, buffer, sizeof buffer)) {
    return false;
  }
  buffer[kTextSize - 1] = '\0';
  *text = buffer;
  return true;
}

bool ReadListColumn(TargetProcess& target, HWND list, int column, ListColumn* info) {
  constexpr int kTextSize = 256;
  RemoteBlock block(target, sizeof(LVCOLUMNA) + kTextSize);
  if (!block.address()) return false;
  uintptr_t remote_text = block.address() + sizeof(LVCOLUMNA);
  LVCOLUMNA request = {};
  request.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
  request.pszText = reinterpret_cast<char*>(remote_text);
  request.cchTextMax = kTextSize;
  char buffer[kTextSize] = "";
  DWORD_PTR found = 0;
  if (!target.Write(block.address(), &request, sizeof request) ||
      !target.Write(remote_text, buffer, 1) ||
      !block.Send(list, LVM_GETCOLUMNA, column, kAnswerMs, &found) || !found ||
      !target.Read(block.address(), &request, sizeof request) ||
      !target.Read(remote_text, buffer, sizeof buffer)) {
    return false;
  }
  buffer[kTextSize - 1] = '\0';
  info->header = buffer;
  info->width = request.cx;
  info->format = request.fmt;
  return true;
}

bool ReadColumnOrder(TargetProcess& target, HWND list, int count, std::vector<int>* order) {
  order->assign(count, -1);
  RemoteBlock block(target, sizeof(int) * count);
  DWORD_PTR done = 0;
  return block.Send(list, LVM_GETCOLUMNORDERARRAY, count, kAnswerMs, &done) && done &&
         target.Read(block.address(), order->data(), sizeof(int) * count);
}

bool ReadListRowRect(TargetProcess& target, HWND list, int row, RECT* rect) {
  RemoteBlock block(target, sizeof(RECT));
  RECT request = {LVIR_BOUNDS, 0, 0, 0};
  DWORD_PTR found = 0;
  return block.address() && target.Write(block.address(), &request, sizeof request) &&
         block.Send(list, LVM_GETITEMRECT, row, kAnswerMs, &found) && found &&
         target.Read(block.address(), rect, sizeof *rect);
}

int ListSelectedCount(HWND list) {
  DWORD_PTR count = 0;
  if (!SendMessageTimeoutA(list, LVM_GETSELECTEDCOUNT, 0, 0, SMTO_ABORTIFHUNG, 30000, &count)) {
    return -1;
  }
  return static_cast<int>(count);
}

bool IsOnlySelectedRow(HWND list, int row) {
  DWORD_PTR state = 0;
  return ListSelectedCount(list) == 1 &&
         SendMessageTimeoutA(list, LVM_GETITEMSTATE, row, LVIS_SELECTED, SMTO_ABORTIFHUNG, 30000,
                             &state) &&
         (state & LVIS_SELECTED);
}

}  // namespace vx::e2e
