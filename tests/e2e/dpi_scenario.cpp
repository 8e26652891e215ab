// Vextorin on screens of 96, 144 and 192 DPI: the window, the list and its columns at the
// layout's figures scaled to the DPI, the font made for it, the manifest that asks for
// per-monitor awareness, and a move to a screen of another DPI. Wine reads the prefix's DPI when
// a process starts, so each DPI is set before the program is started, and 96 put back after.
#include <windows.h>

#include <commctrl.h>

#include <cstdlib>
#include <string>

#include "tests/e2e/actions.h"
#include "tests/e2e/program_texts.h"
#include "tests/e2e/report.h"
#include "tests/e2e/scenarios.h"
#include "tests/e2e/vextorin_program.h"

namespace vx::e2e {

namespace {

constexpr int kLayoutDpi = 96;
constexpr int kWidth = 636;
constexpr int kHeight = 486;
constexpr RECT kListPlace = {5, 2, 5 + 618, 2 + 448};
constexpr int kColumnWidths[] = {68, 150, 220, 160};
constexpr char kDesktopKey[] = "Control Panel\\Desktop";
constexpr char kDpiValue[] = "LogPixels";

// The prefix's DPI for the programs started from now on.
bool SetPrefixDpi(DWORD dpi) {
  return RegSetKeyValueA(HKEY_CURRENT_USER, kDesktopKey, kDpiValue, REG_DWORD, &dpi, sizeof dpi) ==
         ERROR_SUCCESS;
}

// Puts 96 back when the scenario ends, however it ends.
struct PrefixDpiRestorer {
  ~PrefixDpiRestorer() { SetPrefixDpi(kLayoutDpi); }
};

int Scaled(int figure, int dpi) {
  return MulDiv(figure, dpi, kLayoutDpi);
}

bool WithinAPixel(long value, int figure, int dpi) {
  return std::labs(value - Scaled(figure, dpi)) <= 1;
}

// The default GUI font's height at `dpi`, from the one this process has at the DPI it started
// with.
int DefaultFontHeightAt(int dpi) {
  LOGFONTA face = {};
  GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof face, &face);
  HDC screen = GetDC(nullptr);
  int own_dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return MulDiv(face.lfHeight, dpi, own_dpi);
}

void CheckManifest(const RunSettings& settings) {
  HMODULE file = LoadLibraryExA(settings.program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  HRSRC manifest = file ? FindResourceA(file, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24)) : nullptr;
  std::string text;
  if (manifest) {
    text.assign(static_cast<const char*>(LockResource(LoadResource(file, manifest))),
                SizeofResource(file, manifest));
  }
  if (file) FreeLibrary(file);
  // Wine makes every program per-monitor aware whatever it asks for; Windows reads the manifest.
  Step(text.find(">PerMonitorV2, PerMonitor</dpiAwareness>") != std::string::npos &&
           text.find(">true/pm</dpiAware>") != std::string::npos,
       "manifest asks for per-monitor awareness, the second kind before the first");
}

// The window, the list and its columns, and the font of window and list, as they are at `dpi`.
void CheckLayoutAt(Program& program, int dpi, const char* when) {
  RECT outer = {};
  GetWindowRect(program.window, &outer);
  Step(WithinAPixel(outer.right - outer.left, kWidth, dpi) &&
           WithinAPixel(outer.bottom - outer.top, kHeight, dpi),
       "outer size is 636 x 486 scaled", "%s: %ld x %ld, expected %d x %d", when,
       outer.right - outer.left, outer.bottom - outer.top, Scaled(kWidth, dpi),
       Scaled(kHeight, dpi));

  RECT list = {};
  GetWindowRect(program.list, &list);
  MapWindowPoints(nullptr, program.window, reinterpret_cast<POINT*>(&list), 2);
  Step(WithinAPixel(list.left, kListPlace.left, dpi) &&
           WithinAPixel(list.top, kListPlace.top, dpi) &&
           WithinAPixel(list.right - list.left, kListPlace.right - kListPlace.left, dpi) &&
           WithinAPixel(list.bottom - list.top, kListPlace.bottom - kListPlace.top, dpi),
       "list at 5, 2, 618 x 448 scaled", "%s: %ld, %ld, %ld x %ld, expected %d, %d, %d x %d", when,
       list.left, list.top, list.right - list.left, list.bottom - list.top,
       Scaled(kListPlace.left, dpi), Scaled(kListPlace.top, dpi),
       Scaled(kListPlace.right - kListPlace.left, dpi),
       Scaled(kListPlace.bottom - kListPlace.top, dpi));

  bool columns_scaled = true;
  std::string widths;
  for (int column = 0; column < 4; ++column) {
    DWORD_PTR width = 0;
    SendMessageTimeoutA(program.list, LVM_GETCOLUMNWIDTH, column, 0, SMTO_ABORTIFHUNG, kAnswerMs,
                        &width);
    columns_scaled =
        columns_scaled && WithinAPixel(static_cast<long>(width), kColumnWidths[column], dpi);
    widths += std::to_string(width) + " ";
  }
  Step(columns_scaled, "columns 68, 150, 220 and 160 wide, scaled", "%s: %s", when, widths.c_str());

  WindowDetails window = {};
  WindowDetails list_details = {};
  int expected = DefaultFontHeightAt(dpi);
  bool read =
      ReadWindowDetails(program.target, program.settings->probe_dll, program.window, &window) &&
      ReadWindowDetails(program.target, program.settings->probe_dll, program.list, &list_details);
  Step(read && std::abs(window.font_height - expected) <= 1 &&
           list_details.font_height == window.font_height,
       "window and list have the default GUI font at the DPI", "%s: heights %d and %d, expected %d",
       when, window.font_height, list_details.font_height, expected);
}

// The system asks the window to move to a screen of `dpi`, suggesting its rectangle there. The
// message carries the rectangle's address, so the rectangle is put in the program's memory.
bool SendDpiChanged(Program& program, int dpi, const RECT& suggested) {
  RemoteBlock block(program.target, sizeof suggested);
  DWORD_PTR result = 0;
  return block.address() && program.target.Write(block.address(), &suggested, sizeof suggested) &&
         block.Send(program.window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), kAnswerMs, &result);
}

void CheckDpiChange(Program& program) {
  RECT before = {};
  GetWindowRect(program.window, &before);
  constexpr int kOtherDpi = 192;
  RECT suggested = {before.left + 10, before.top + 20, before.left + 10 + Scaled(kWidth, kOtherDpi),
                    before.top + 20 + Scaled(kHeight, kOtherDpi)};
  if (!Step(SendDpiChanged(program, kOtherDpi, suggested), "moved to a screen of 192 DPI")) return;
  RECT after = {};
  GetWindowRect(program.window, &after);
  Step(EqualRect(&after, &suggested) != FALSE, "the window takes the suggested rectangle",
       "%ld, %ld, %ld x %ld", after.left, after.top, after.right - after.left,
       after.bottom - after.top);
  CheckLayoutAt(program, kOtherDpi, "after the move to 192");

  if (!Step(SendDpiChanged(program, kLayoutDpi, before), "moved back to a screen of 96 DPI")) {
    return;
  }
  CheckLayoutAt(program, kLayoutDpi, "after the move back");
  WindowDetails details = {};
  Step(ReadWindowDetails(program.target, program.settings->probe_dll, program.window, &details) &&
           details.default_gui_font,
       "back at 96 the window font is DEFAULT_GUI_FONT again");
}

void Screenshot(const RunSettings& settings, const char* name) {
  std::string path = settings.output_dir + "\\" + name;
  std::string error;
  Step(TakeScreenshot(settings.import_tool, path, &error), "screenshot", "%s %s", path.c_str(),
       error.c_str());
}

// The menu that a right click at `client` (the list's client coordinates) opens; null when none
// does.
HWND OpenMenuAt(Program& program, POINT client, POINT* cursor) {
  *cursor = client;
  ClientToScreen(program.list, cursor);
  SetCursorPos(cursor->x, cursor->y);
  PostRightClick(program.list, client);
  return WaitForPopupMenu(program.target);
}

// Phone numbers dropped on the window and digested, so that the screenshot shows the digits that
// users compare; the menu opens 3 pixels right of and below the pointer, scaled too, and shows
// in the screenshot.
void CheckRowsMenuAndScreenshot(Program& program, int dpi) {
  constexpr int kRows = 20;
  std::string lines;
  for (int i = 0; i < kRows; ++i) lines += std::to_string(13800138000LL + 7919LL * i) + "\r\n";
  std::string path = program.settings->output_dir + "\\dpi-phones.txt";
  if (!Step(WriteFileBytes(path, lines) &&
                DropFiles(program.target, program.settings->probe_dll, program.window, {300, 200},
                          {path}, false) &&
                WaitUntil([&] { return FrameTitle(program.window) == Imported(kRows); }),
            "a dropped file of phone numbers is imported")) {
    return;
  }
  POINT cursor = {};
  HWND menu = OpenMenuAt(program, {200, 150}, &cursor);
  std::vector<MenuEntry> entries;
  if (!Step(menu && ReadPopupMenu(program.target, program.settings->probe_dll, menu, &entries) &&
                entries.size() == 9 && ChoosePopupMenuEntry(menu, entries, 4) &&
                WaitUntil([&] { return FrameTitle(program.window) == PassComplete(kRows); }),
            "the MD5 pass chosen from the menu digests the rows")) {
    return;
  }

  menu = OpenMenuAt(program, {260, 190}, &cursor);
  if (!Step(menu != nullptr, "right click opens the popup menu")) return;
  RECT place = {};
  GetWindowRect(menu, &place);
  int offset = Scaled(3, dpi);
  Step(place.left == cursor.x + offset && place.top == cursor.y + offset,
       "the menu opens 3 pixels right of and below the cursor, scaled",
       "at %ld, %ld for cursor %ld, %ld, expected %d more", place.left, place.top, cursor.x,
       cursor.y, offset);
  Screenshot(*program.settings, "dpi-144.png");
  Step(DismissPopupMenu(menu), "Esc closes the menu");
}

void CloseProgram(Program& program) {
  PostMessageA(program.window, WM_CLOSE, 0, 0);
  HWND box = WaitForMessageBox(program.target, nullptr, {IDYES, IDNO});
  DWORD exit_code = 1;
  Step(box && AnswerMessageBox(box, IDYES) && program.target.WaitForExit(5000, &exit_code) &&
           exit_code == 0,
       "Yes to the close question ends the program with exit code 0");
}

}  // namespace

void ResetPrefixDpi() {
  SetPrefixDpi(kLayoutDpi);
}

void DpiScenario(const RunSettings& settings) {
  CheckManifest(settings);
  PrefixDpiRestorer restorer;
  for (int dpi : {144, 192, kLayoutDpi}) {
    Note("at %d DPI", dpi);
    if (!Step(SetPrefixDpi(static_cast<DWORD>(dpi)), "prefix DPI set", "%d", dpi)) return;
    Program program;
    if (!StartProgram(settings, &program)) return;
    WindowDetails details = {};
    bool read = ReadWindowDetails(program.target, settings.probe_dll, program.window, &details);
    Step(read && details.dpi == static_cast<unsigned>(dpi), "the window is on a screen of that DPI",
         "%u", details.dpi);
    CheckLayoutAt(program, dpi, "as started");
    if (dpi == 144) CheckRowsMenuAndScreenshot(program, dpi);
    if (dpi == kLayoutDpi) CheckDpiChange(program);
    CloseProgram(program);
  }
}

}  // namespace vx::e2e
