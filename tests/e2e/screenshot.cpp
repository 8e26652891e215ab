// Screenshots with ImageMagick's `import`, and the mapping between Unix and Windows paths.
// Both need Wine: its CreateProcess also starts Unix programs.
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "tests/e2e/actions.h"

namespace vx::e2e {

namespace {

using UnixFileName = char*(CDECL*)(const WCHAR*);
using DosFileName = WCHAR*(CDECL*)(const char*);

template <typename Function>
Function WineFunction(const char* name) {
  return reinterpret_cast<Function>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), name)));
}

// The Unix path of a Windows path, or empty when not under Wine.
std::string UnixPath(const std::string& windows_path) {
  auto to_unix = WineFunction<UnixFileName>("wine_get_unix_file_name");
  if (!to_unix) return "";
  std::vector<WCHAR> wide(windows_path.size() + 1);
  MultiByteToWideChar(CP_ACP, 0, windows_path.c_str(), -1, wide.data(),
                      static_cast<int>(wide.size()));
  char* unix_path = to_unix(wide.data());
  if (!unix_path) return "";
  std::string result = unix_path;
  HeapFree(GetProcessHeap(), 0, unix_path);
  return result;
}

// True when the file is a whole PNG: it ends with the IEND chunk.
bool IsCompletePng(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  static const char kEnd[] = "IEND\xAE\x42\x60\x82";
  return bytes.size() > 16 && bytes.compare(0, 4, "\x89PNG") == 0 &&
         bytes.compare(bytes.size() - 8, 8, kEnd, 8) == 0;
}

}  // namespace

std::string WindowsPath(const std::string& path) {
  auto to_dos = WineFunction<DosFileName>("wine_get_dos_file_name");
  if (path.empty() || path[0] != '/' || !to_dos) return path;
  WCHAR* wide = to_dos(path.c_str());
  if (!wide) return path;
  char buffer[MAX_PATH * 2] = "";
  WideCharToMultiByte(CP_ACP, 0, wide, -1, buffer, sizeof buffer, nullptr, nullptr);
  HeapFree(GetProcessHeap(), 0, wide);
  return buffer;
}

bool TakeScreenshot(const std::string& import_tool, const std::string& png_path,
                    std::string* error) {
  std::string unix_png = UnixPath(png_path);
  if (unix_png.empty()) {
    *error = "not running under Wine";
    return false;
  }
  DeleteFileA(png_path.c_str());
  std::string command = "\"" + WindowsPath(import_tool) + "\" -window root \"" + unix_png + "\"";
  std::vector<char> command_line(command.begin(), command.end());
  command_line.push_back('\0');
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  // For a Unix program Wine gives no usable process handle: wait for the file instead.
  if (!CreateProcessA(nullptr, command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info)) {
    *error = "cannot start " + command;
    return false;
  }
  if (info.hProcess) CloseHandle(info.hProcess);
  if (info.hThread) CloseHandle(info.hThread);
  if (!WaitUntil([&] { return IsCompletePng(png_path); }, 15000)) {
    *error = "no complete PNG at " + png_path;
    return false;
  }
  return true;
}

}  // namespace vx::e2e
