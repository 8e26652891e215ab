// Message boxes and the open and save dialogs.
#include "tests/e2e/actions.h"

namespace vx::e2e {

namespace {

constexpr int kMessageBoxTextId = 0xFFFF;
constexpr int kMessageBoxIconId = 0x440;
// Wine's explorer-style dialog nests ComboBoxEx32, ComboBox and Edit, all with this id.
constexpr int kFileNameId = 0x47C;
constexpr int kFileTypeId = 0x470;  // cmb1: the file types of the filter

}  // namespace

HWND WaitForMessageBox(const TargetProcess& target, HWND owner, std::vector<int> buttons,
                       DWORD timeout_ms) {
  WindowQuery query;
  query.pid = target.pid();
  query.class_name = "#32770";
  query.match_owner = true;
  query.owner = owner;
  query.child_ids = std::move(buttons);
  query.child_ids.push_back(kMessageBoxTextId);
  return WaitForWindow(query, timeout_ms);
}

MessageBoxContent ReadMessageBox(HWND box) {
  MessageBoxContent content;
  content.caption = WindowText(box);
  HWND text = GetDlgItem(box, kMessageBoxTextId);
  if (text) content.text = WindowText(text);
  content.has_question_icon = GetDlgItem(box, kMessageBoxIconId) != nullptr;
  return content;
}

bool AnswerMessageBox(HWND box, int button_id) {
  HWND button = GetDlgItem(box, button_id);
  if (!button) return false;
  // Posted: the click may open another modal box, and a sent message would wait for it.
  PostMessageA(button, BM_CLICK, 0, 0);
  return WaitUntilHidden(box);
}

HWND WaitForFileDialog(const TargetProcess& target, HWND owner, DWORD timeout_ms) {
  WindowQuery query;
  query.pid = target.pid();
  query.class_name = "#32770";
  query.match_owner = true;
  query.owner = owner;
  query.child_ids = {kFileNameId};
  return WaitForWindow(query, timeout_ms);
}

bool FillFileDialog(HWND dialog, const std::string& path) {
  // Right after it shows, the dialog may still be filling its controls: retry until the
  // name reads back.
  bool typed = WaitUntil([&] {
    HWND edit = FindDescendant(dialog, kFileNameId, "Edit");
    if (!edit) return false;
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()),
                        SMTO_ABORTIFHUNG, kAnswerMs, &ignored);
    return WindowText(edit) == path;
  });
  // The toolbar has id 1 as well; OK is the button.
  HWND ok = FindDescendant(dialog, IDOK, "Button");
  if (!typed || !ok) return false;
  PostMessageA(ok, BM_CLICK, 0, 0);
  return WaitUntilHidden(dialog);
}

// The dialog's controls are Unicode: their texts are asked for in UTF-16, which Wine carries
// across processes, and turned into the ANSI code page.
bool ReadFileTypes(TargetProcess&, HWND dialog, std::vector<std::string>* types, int* shown) {
  HWND box = FindDescendant(dialog, kFileTypeId, "ComboBox");
  DWORD_PTR count = 0, current = 0;
  if (!box || !SendMessageTimeoutW(box, CB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, kAnswerMs, &count) ||
      !SendMessageTimeoutW(box, CB_GETCURSEL, 0, 0, SMTO_ABORTIFHUNG, kAnswerMs, &current)) {
    return false;
  }
  types->clear();
  for (int i = 0; i < static_cast<int>(count); ++i) {
    wchar_t text[256] = L"";
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(box, CB_GETLBTEXTLEN, i, 0, SMTO_ABORTIFHUNG, kAnswerMs, &length) ||
        length >= 256 ||
        !SendMessageTimeoutW(box, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                             kAnswerMs, &length)) {
      return false;
    }
    char ansi[512] = "";
    WideCharToMultiByte(CP_ACP, 0, text, -1, ansi, sizeof ansi, nullptr, nullptr);
    types->emplace_back(ansi);
  }
  *shown = static_cast<int>(static_cast<LRESULT>(current));
  return true;
}

bool ChooseFileType(HWND dialog, int index) {
  HWND box = FindDescendant(dialog, kFileTypeId, "ComboBox");
  DWORD_PTR result = 0;
  if (!box ||
      !SendMessageTimeoutA(box, CB_SETCURSEL, index, 0, SMTO_ABORTIFHUNG, kAnswerMs, &result) ||
      static_cast<LRESULT>(result) != index) {
    return false;
  }
  // A selection made by the program sends no notice: the dialog is told as a click in the drop-
  // down list tells it, the selection changed and then taken (Wine's dialog acts on the second).
  HWND parent = GetParent(box);
  auto lparam = reinterpret_cast<LPARAM>(box);
  return PostMessageA(parent, WM_COMMAND, MAKEWPARAM(kFileTypeId, CBN_SELCHANGE), lparam) &&
         PostMessageA(parent, WM_COMMAND, MAKEWPARAM(kFileTypeId, CBN_SELENDOK), lparam);
}

}  // namespace vx::e2e
