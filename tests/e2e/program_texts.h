// The program's titles and export lines as the scenarios expect them, byte for byte.
#pragma once

#include <cstddef>
#include <string>

#include "tests/e2e/actions.h"

namespace vx::e2e {

inline const std::string kImporting = "Vextorin     导入中...";
inline std::string Imported(size_t rows) {
  return "Vextorin     成功导入：" + std::to_string(rows) + "条   请去重后再加密";
}
inline std::string Remaining(size_t rows) {
  return "Vextorin     剩余数据：" + std::to_string(rows) + "条";
}
inline std::string PassRunning(size_t rows) {
  return "Vextorin     成功导入：" + std::to_string(rows) + "条   MD5加密中...";
}
inline std::string PassComplete(size_t rows) {
  return "Vextorin     加密完成：" + std::to_string(rows) + "条   请右键导出结果";
}
inline std::string Exported(size_t rows) {
  return "Vextorin     加密完成：" + std::to_string(rows) + "条   该数据已导出";
}

// The export's line for `text`, from the system's own MD5.
inline std::string ExportLine(const std::string& text) {
  std::string digest = SystemMd5(text);
  return text + "----" + digest + "----" + digest.substr(8, 16) + "\r\n";
}

}  // namespace vx::e2e
