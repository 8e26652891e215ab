// Vextorin's main window as a user meets it: the frame and its place on the screen, what the
// program's resources hold, moving the window, and the close question that ends the program.
#include <cstring>

#include "tests/e2e/actions.h"
#include "tests/e2e/report.h"
#include "tests/e2e/scenarios.h"
#include "tests/e2e/vextorin_program.h"

namespace vx::e2e {

namespace {

constexpr int kWidth = 636;
constexpr int kHeight = 486;
constexpr LONG kFrameStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN | WS_VISIBLE;
// The question's exact GBK bytes (the source is UTF-8, compiled to GBK).
constexpr char kCloseQuestion[] = "您确定要关闭本程序吗？\r\n软件官网：";
constexpr char kCloseCaption[] = "询问";

RECT WindowRectOf(HWND window) {
  RECT rect = {};
  GetWindowRect(window, &rect);
  return rect;
}

POINT ClientToScreenPoint(HWND window, int x, int y) {
  POINT point = {x, y};
  ClientToScreen(window, &point);
  return point;
}

LRESULT HitTest(HWND window, POINT screen) {
  DWORD_PTR hit = HTNOWHERE;
  SendMessageTimeoutA(window, WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y), SMTO_ABORTIFHUNG,
                      kAnswerMs, &hit);
  return static_cast<LRESULT>(hit);
}

bool IsSizingHit(LRESULT hit) {
  return hit >= HTLEFT && hit <= HTBOTTOMRIGHT;
}

void Screenshot(const RunSettings& settings, const char* name) {
  std::string path = settings.output_dir + "\\" + name;
  std::string error;
  Step(TakeScreenshot(settings.import_tool, path, &error), "screenshot", "%s %s", path.c_str(),
       error.c_str());
}

// The resources as the program file holds them: the icon as one 256 x 256 32-bit PNG image,
// the version information and the manifest.
void CheckResources(const RunSettings& settings) {
  HMODULE file = LoadLibraryExA(settings.program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!Step(file != nullptr, "program file opens as data")) return;
  HRSRC group = FindResourceA(file, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(14));  // RT_GROUP_ICON
  const auto* directory =
      group ? static_cast<const BYTE*>(LockResource(LoadResource(file, group))) : nullptr;
  // GRPICONDIR: reserved, type, count, then 14-byte entries ending in the RT_ICON id.
  bool one_image = directory && directory[4] == 1 && directory[5] == 0;
  const BYTE* entry = directory ? directory + 6 : nullptr;
  bool form = one_image && entry[0] == 0 && entry[1] == 0 && entry[4] == 1 && entry[6] == 32;
  const BYTE* image = nullptr;
  if (form) {
    HRSRC icon = FindResourceA(file, MAKEINTRESOURCEA(entry[12] | entry[13] << 8),
                               MAKEINTRESOURCEA(3));  // RT_ICON
    image = icon ? static_cast<const BYTE*>(LockResource(LoadResource(file, icon))) : nullptr;
  }
  // A PNG stream: signature, IHDR with 256 x 256, 8 bits, colour type 6 (RGBA).
  bool png = image && std::memcmp(image, "\x89PNG\r\n\x1a\n", 8) == 0 &&
             std::memcmp(image + 16, "\0\0\1\0\0\0\1\0\x08\x06", 10) == 0;
  Step(form && png, "icon resource is one 256 x 256 32-bit RGBA PNG image");

  HRSRC manifest = FindResourceA(file, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
  std::string manifest_text;
  if (manifest) {
    manifest_text.assign(static_cast<const char*>(LockResource(LoadResource(file, manifest))),
                         SizeofResource(file, manifest));
  }
  Step(manifest_text.find("Microsoft.Windows.Common-Controls") != std::string::npos &&
           manifest_text.find("version=\"6.0.0.0\"") != std::string::npos,
       "manifest selects common controls 6");
  FreeLibrary(file);

  DWORD size = GetFileVersionInfoSizeA(settings.program.c_str(), nullptr);
  std::string version(size, '\0');
  char* product = nullptr;
  UINT length = 0;
  bool read = size && GetFileVersionInfoA(settings.program.c_str(), 0, size, version.data()) &&
              VerQueryValueA(version.data(), "\\StringFileInfo\\080403a8\\ProductName",
                             reinterpret_cast<void**>(&product), &length);
  Step(read && std::strcmp(product, "Vextorin") == 0, "version resource names Vextorin", "%s",
       read ? product : "(none)");
}

void CheckFrame(TargetProcess& target, const RunSettings& settings, HWND window) {
  std::string title = WindowText(window);
  Step(title == "Vextorin", "title", "\"%s\"", title.c_str());

  RECT rect = WindowRectOf(window);
  int width = rect.right - rect.left;
  int height = rect.bottom - rect.top;
  Step(width == kWidth && height == kHeight, "outer size 636 x 486", "%d x %d", width, height);
  int screen_width = GetSystemMetrics(SM_CXSCREEN);
  int screen_height = GetSystemMetrics(SM_CYSCREEN);
  int left = (screen_width - kWidth) / 2;
  int top = (screen_height - kHeight) / 2;
  Step(rect.left == left && rect.top == top, "centred on the screen",
       "at %ld, %ld on %d x %d, expected %d, %d", rect.left, rect.top, screen_width, screen_height,
       left, top);

  // Windows adds WS_CLIPSIBLINGS and WS_EX_WINDOWEDGE to every overlapped window; the only
  // extended style of the program's own takes dropped files.
  LONG style = GetWindowLongA(window, GWL_STYLE) & ~WS_CLIPSIBLINGS;
  LONG ex_style = GetWindowLongA(window, GWL_EXSTYLE) & ~WS_EX_WINDOWEDGE;
  Step(style == kFrameStyle && ex_style == WS_EX_ACCEPTFILES,
       "fixed frame: caption, system menu, minimise box, no maximise box, no sizing border",
       "style %08lx, extended %08lx", style, ex_style);
  Step(GetWindow(window, GW_OWNER) == nullptr && !IsZoomed(window) && !IsIconic(window) &&
           IsWindowEnabled(window),
       "own task-bar button (no owner), normal and enabled");

  WindowDetails details = {};
  if (Step(ReadWindowDetails(target, settings.probe_dll, window, &details),
           "probe reads the window's class from inside")) {
    Step(details.class_style == (CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS) &&
             !details.has_class_brush && details.arrow_cursor,
         "class VextorinWindow: redraw and double-click styles, arrow cursor, no brush",
         "style %x, brush %d, arrow %d", details.class_style, details.has_class_brush,
         details.arrow_cursor);
    Step(details.default_gui_font, "window font is DEFAULT_GUI_FONT");
    Step(details.big_icon_size > 0 && details.small_icon_size > 0, "large and small icons set",
         "%d and %d pixels", details.big_icon_size, details.small_icon_size);
  }

  // No class brush: the margin beside the list must be the window's own button-face fill.
  HDC screen = GetDC(nullptr);
  POINT margin = ClientToScreenPoint(window, 2, 200);
  COLORREF colour = GetPixel(screen, margin.x, margin.y);
  ReleaseDC(nullptr, screen);
  Step(colour == GetSysColor(COLOR_BTNFACE), "client area painted in the button-face colour",
       "%06lx, expected %06lx", colour, GetSysColor(COLOR_BTNFACE));
}

void CheckSizeAndPlace(HWND window) {
  RECT before = WindowRectOf(window);
  LRESULT edge = HitTest(window, {before.right - 1, (before.top + before.bottom) / 2});
  LRESULT corner = HitTest(window, {before.right - 1, before.bottom - 1});
  Step(!IsSizingHit(edge) && !IsSizingHit(corner), "frame edges offer no sizing",
       "hit codes %ld and %ld", static_cast<long>(edge), static_cast<long>(corner));

  DragWithMouse({before.right - 2, before.bottom - 2}, 60, 40);
  RECT after = WindowRectOf(window);
  Step(EqualRect(&before, &after), "dragging the corner does not resize", "%ld x %ld",
       after.right - after.left, after.bottom - after.top);

  POINT caption = {(before.left + before.right) / 2, before.top + 8};
  PostMessageA(window, WM_NCLBUTTONDBLCLK, HTCAPTION, MAKELPARAM(caption.x, caption.y));
  Sleep(200);  // a maximise would have happened by now
  after = WindowRectOf(window);
  Step(EqualRect(&before, &after) && !IsZoomed(window),
       "double click on the caption does not maximise");

  // The margin left of the list stays client area of the window itself.
  POINT margin = ClientToScreenPoint(window, 2, 200);
  Step(HitTest(window, margin) == HTCAPTION, "client margin acts as the caption");
  DragWithMouse(margin, 40, 30);
  bool moved = WaitUntil(
      [&] {
        after = WindowRectOf(window);
        return after.left == before.left + 40 && after.top == before.top + 30;
      },
      kAnswerMs);
  Step(moved, "dragging the client margin moves the window", "from %ld, %ld to %ld, %ld",
       before.left, before.top, after.left, after.top);
  DragWithMouse({margin.x + 40, margin.y + 30}, -40, -30);
  WaitUntil([&] { return WindowRectOf(window).left == before.left; }, kAnswerMs);
  after = WindowRectOf(window);
  Step(EqualRect(&before, &after), "dragging it back restores the centred place");
}

// Asks to close in one of the user's ways and waits for the question; null when none comes.
HWND AskToClose(TargetProcess& target, const char* how) {
  HWND box = WaitForMessageBox(target, nullptr, {IDYES, IDNO});
  Step(box != nullptr, "close question appears", "%s", how);
  return box;
}

}  // namespace

void MainWindowScenario(const RunSettings& settings) {
  CheckResources(settings);

  TargetProcess target;
  DWORD started = GetTickCount();
  if (!Step(target.Start(settings.program), "program starts", "%s", settings.program.c_str())) {
    return;
  }
  WindowQuery query;
  query.pid = target.pid();
  query.class_name = "VextorinWindow";
  HWND window = WaitForWindow(query, 10000);
  if (!Step(window != nullptr, "main window appears", "after %lu ms", GetTickCount() - started)) {
    return;
  }
  CheckFrame(target, settings, window);
  CheckSizeAndPlace(window);
  Screenshot(settings, "main-window.png");

  // Esc in the window's own message loop, posted to whatever has the focus.
  PressEscape(window);
  HWND box = AskToClose(target, "Esc posted to the focused window");
  if (!box) return;
  MessageBoxContent content = ReadMessageBox(box);
  Step(content.text == kCloseQuestion, "question text", "%s", Hex(content.text).c_str());
  Step(content.caption == kCloseCaption, "question caption", "%s", Hex(content.caption).c_str());
  Step(content.has_question_icon && !GetDlgItem(box, IDCANCEL), "Yes and No with question icon");
  Step(!IsWindowEnabled(window), "the question is task-modal: the window waits for it");
  Screenshot(settings, "close-question.png");
  Step(AnswerMessageBox(box, IDNO), "No closes the question");
  Step(target.IsRunning() && IsWindowVisible(window) && WindowText(window) == "Vextorin",
       "No keeps the window");
  HWND list = FindDescendant(window, kListId, "SysListView32");
  Step(WaitUntil([&] { return IsWindowEnabled(window) && FocusedWindowOf(window) == list; },
                 kAnswerMs),
       "the window takes input again and the list has the focus back");

  // Esc from the keyboard reaches the focused window through the system's input.
  TypeEscape();
  box = AskToClose(target, "Esc typed");
  if (!box) return;
  Step(AnswerMessageBox(box, IDNO) && target.IsRunning(), "No again keeps the program");

  // The Close button and the system menu send SC_CLOSE.
  WaitUntil([&] { return IsWindowEnabled(window) != FALSE; }, kAnswerMs);
  PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  box = AskToClose(target, "Close command");
  if (!box) return;
  Step(ReadMessageBox(box).text == kCloseQuestion, "same question for the Close command");
  Step(AnswerMessageBox(box, IDYES), "Yes closes the question");
  DWORD exit_code = 1;
  bool ended = target.WaitForExit(5000, &exit_code);
  Step(ended && exit_code == 0, "Yes ends the program with exit code 0", "%s, code %lu",
       ended ? "ended" : "still running", exit_code);
  int left = RunningProcessesOf(settings.program);
  Step(left == 0, "no process of the program is left", "%d running", left);
}

}  // namespace vx::e2e
