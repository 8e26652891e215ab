// The texts that the runtime itself shows to the user.
#pragma once

namespace vx {

inline constexpr char kErrorCaption[] = "错误";
inline constexpr char kRuntimeErrorHeading[] = "运行时出错!\r\n";
inline constexpr char kErrorCodeLabel[] = "\r\n错误代码：";
inline constexpr char kErrorMessageLabel[] = "\r\n错误信息：";
inline constexpr char kWindowNotFound[] = "\r\n未找到所指定的窗口";
inline constexpr char kUnitNotFound[] = "\r\n未找到所指定的窗口组件";
inline constexpr char kAllocationFailedFormat[] = "分配 %lld 字节内存失败!";

// The texts of truth values and the parts of a date-time text.
inline constexpr char kTrueText[] = "真";
inline constexpr char kFalseText[] = "假";
inline constexpr char kDateFormat[] = "%d年%d月%d日";
inline constexpr char kHourMinuteSecondFormat[] = "%d时%d分%d秒";
inline constexpr char kHourMinuteFormat[] = "%d时%d分";
inline constexpr char kHourFormat[] = "%d时";

}  // namespace vx
