// The texts that the application shell shows to the user: the main window's layout and the close
// question. (Its first title is the pipeline's kTitle, and the export dialog's file types are the
// pipeline's too.)
#pragma once

namespace vx::shell_texts {

inline constexpr char kNumberHeader[] = "序号";
inline constexpr char kTextHeader[] = "文本";
inline constexpr char kMd5Header[] = "32位MD5";
inline constexpr char kShortMd5Header[] = "16位MD5";
inline constexpr char kTextFileFilter[] = "文本文件(*.txt)|*.txt";
inline constexpr char kTextFileExtension[] = "txt";
inline constexpr char kMenuCaption[] = "菜单";
inline constexpr char kSeparatorCaption[] = "-";
inline constexpr char kImportCaption[] = "1导入文本";
inline constexpr char kRemoveDuplicatesCaption[] = "2去重复项";
inline constexpr char kStartPassCaption[] = "3开始加密";
inline constexpr char kExportCaption[] = "4导出结果";
inline constexpr char kClearListCaption[] = "清空列表";
inline constexpr char kUnavailableCaption[] = "菜单暂时不可用";

// The website after the colon is left empty on purpose.
inline constexpr char kCloseQuestion[] = "您确定要关闭本程序吗？\r\n软件官网：";
inline constexpr char kCloseQuestionCaption[] = "询问";

}  // namespace vx::shell_texts
