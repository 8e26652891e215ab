// The texts that the window units and the window commands show to the user.
#pragma once

namespace vx {

// The caption of a message box shown without one.
inline constexpr char kDefaultMessageBoxCaption[] = "信息：";

// Fatal runtime errors of units that are not loaded.
inline constexpr char kWindowNotLoaded[] = "未载入欲访问窗口组件所在的窗口";
inline constexpr char kReadOfUnloadedUnit[] = "读取组件属性时发现指定窗口尚未载入";
inline constexpr char kWriteOfUnloadedUnit[] = "修改组件属性时发现指定窗口尚未载入";
inline constexpr char kStartWindowFailed[] = "载入启动窗口失败";

}  // namespace vx
