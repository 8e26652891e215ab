#include "app/main_window.h"

#include "app/resources/resource_ids.h"
#include "app/shell.h"
#include "app/shell_texts.h"
#include "pipeline/clear_list.h"
#include "pipeline/copy_row.h"
#include "pipeline/export.h"
#include "pipeline/import.h"
#include "pipeline/md5_pass.h"
#include "pipeline/pipeline_texts.h"
#include "pipeline/remove_duplicates.h"

namespace vx {

namespace {

using namespace shell_texts;

constexpr int32_t kWindowWidth = 636;
constexpr int32_t kWindowHeight = 486;

// Both dialogs propose text files, keep the current directory and hide the read-only box; the
// export sets its dialog's mode and file name itself before each use, and offers its file types.
constexpr FileDialogLayout TextFileDialog(UnitRef unit, const char* name, int32_t mode,
                                          const char* filter) {
  FileDialogLayout dialog{};
  dialog.unit = unit;
  dialog.name = name;
  dialog.mode = mode;
  dialog.title = "";
  dialog.filter = filter;
  dialog.initial_filter = 0;
  dialog.initial_directory = "";
  dialog.default_extension = kTextFileExtension;
  dialog.file_name = "";
  dialog.ask_before_creating = false;
  dialog.file_must_exist = true;       // no effect in save mode
  dialog.ask_before_replacing = true;  // no effect in open mode
  dialog.directory_must_exist = true;
  dialog.keep_current_directory = true;
  return dialog;
}

constexpr FileDialogLayout kDialogs[] = {
    TextFileDialog(通用对话框_txt, "通用对话框_txt", kSaveFileMode, kExportFileFilter),
    TextFileDialog(通用对话框1, "通用对话框1", kOpenFileMode, kTextFileFilter),
};

// Separators are stored disabled, which shows nothing; the notice is hidden until the MD5 pass
// runs, and greyed whenever it shows.
constexpr MenuEntryLayout kMenuEntries[] = {
    {kImportEntry, kImportCaption, 0, ImportCommand},
    {kSeparatorAfterImport, kSeparatorCaption, kEntryDisabled, nullptr},
    {kRemoveDuplicatesEntry, kRemoveDuplicatesCaption, 0, RemoveDuplicatesCommand},
    {kSeparatorAfterRemoveDuplicates, kSeparatorCaption, kEntryDisabled, nullptr},
    {kStartPassEntry, kStartPassCaption, 0, StartMd5Pass},
    {kSeparatorAfterStartPass, kSeparatorCaption, kEntryDisabled, nullptr},
    {kExportEntry, kExportCaption, 0, ExportResults},
    {kSeparatorAfterExport, kSeparatorCaption, kEntryDisabled, nullptr},
    {kClearListEntry, kClearListCaption, 0, ClearListCommand},
    {kUnavailableEntry, kUnavailableCaption, kEntryHidden | kEntryDisabled, nullptr},
};

constexpr WindowLayout kMainWindowLayout = {
    启动窗口,
    "启动窗口",
    kTitle,
    kWindowWidth,
    kWindowHeight,
    OnMainWindowCreated,
    ConfirmClose,
    kDialogs,
    static_cast<int32_t>(sizeof kDialogs / sizeof kDialogs[0]),
    {超级列表框1,
     "超级列表框1",
     5,
     2,
     618,
     448,
     {{kNumberHeader, 68}, {kTextHeader, 150}, {kMd5Header, 220}, {kShortMd5Header, 160}},
     ShowListMenu,
     ShowListMenuAt,
     CopySelectedRow},
    {菜单, kMenuCaption, /*hidden=*/true, kMenuEntries,
     static_cast<int32_t>(sizeof kMenuEntries / sizeof kMenuEntries[0])},
    VX_ICON_ID,
    OnFileDropped,
};

}  // namespace

const WindowLayout& MainWindowLayout() {
  return kMainWindowLayout;
}

}  // namespace vx
