// The texts that the application shell shows to the user.
#pragma once

namespace vx {

inline constexpr char kProgramTitle[] = "Vextorin";
// The website after the colon is left empty on purpose.
inline constexpr char kCloseQuestion[] = "您确定要关闭本程序吗？\r\n软件官网：";
inline constexpr char kCloseQuestionCaption[] = "询问";
inline constexpr char kStartWindowFailed[] = "载入启动窗口失败";

}  // namespace vx
