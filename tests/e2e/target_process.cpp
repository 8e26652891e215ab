#include "tests/e2e/target_process.h"

#include <psapi.h>
#include <tlhelp32.h>

#include <vector>

namespace vx::e2e {

TargetProcess::~TargetProcess() {
  Kill();
  if (process_) CloseHandle(process_);
}

bool TargetProcess::Start(const std::string& path, DWORD timeout_ms) {
  std::string folder = path.substr(0, path.find_last_of("\\/") + 1);
  std::vector<char> command_line(path.size() + 3);
  wsprintfA(command_line.data(), "\"%s\"", path.c_str());
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessA(path.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.empty() ? nullptr : folder.c_str(), &startup, &info)) {
    return false;
  }
  CloseHandle(info.hThread);
  process_ = info.hProcess;
  pid_ = info.dwProcessId;
  WaitForInputIdle(process_, timeout_ms);
  return true;
}

bool TargetProcess::WaitForExit(DWORD timeout_ms, DWORD* exit_code) {
  if (!process_ || WaitForSingleObject(process_, timeout_ms) != WAIT_OBJECT_0) return false;
  GetExitCodeProcess(process_, exit_code);
  return true;
}

bool TargetProcess::IsRunning() const {
  return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

size_t TargetProcess::WorkingSetBytes() const {
  PROCESS_MEMORY_COUNTERS counters = {};
  if (!process_ || !GetProcessMemoryInfo(process_, &counters, sizeof counters)) return 0;
  return counters.WorkingSetSize;
}

void TargetProcess::Kill() {
  if (!IsRunning()) return;
  TerminateProcess(process_, 255);
  WaitForSingleObject(process_, 5000);
}

uintptr_t TargetProcess::Allocate(size_t size) {
  return reinterpret_cast<uintptr_t>(
      VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
}

void TargetProcess::Free(uintptr_t address) {
  if (address && IsRunning()) {
    VirtualFreeEx(process_, reinterpret_cast<void*>(address), 0, MEM_RELEASE);
  }
}

bool TargetProcess::Write(uintptr_t address, const void* data, size_t size) {
  SIZE_T written = 0;
  return WriteProcessMemory(process_, reinterpret_cast<void*>(address), data, size, &written) &&
         written == size;
}

bool TargetProcess::Read(uintptr_t address, void* data, size_t size) {
  SIZE_T read = 0;
  return ReadProcessMemory(process_, reinterpret_cast<const void*>(address), data, size, &read) &&
         read == size;
}

bool TargetProcess::CallRemote(uintptr_t function, uintptr_t parameter, DWORD* result,
                               DWORD timeout_ms) {
  HANDLE thread =
      CreateRemoteThread(process_, nullptr, 0, reinterpret_cast<LPTHREAD_START_ROUTINE>(function),
                         reinterpret_cast<void*>(parameter), 0, nullptr);
  if (!thread) return false;
  bool ended = WaitForSingleObject(thread, timeout_ms) == WAIT_OBJECT_0;
  DWORD code = 0;
  if (ended) GetExitCodeThread(thread, &code);
  CloseHandle(thread);
  if (result) *result = code;
  return ended;
}

std::vector<DWORD> TargetProcess::ThreadIds() const {
  std::vector<DWORD> ids;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return ids;
  THREADENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID == pid_) ids.push_back(entry.th32ThreadID);
  }
  CloseHandle(snapshot);
  return ids;
}

uintptr_t TargetProcess::ModuleBase(const char* module_name) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid_);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  uintptr_t base = 0;
  MODULEENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Module32First(snapshot, &entry); more && !base;
       more = Module32Next(snapshot, &entry)) {
    if (lstrcmpiA(entry.szModule, module_name) == 0) {
      base = reinterpret_cast<uintptr_t>(entry.modBaseAddr);
    }
  }
  CloseHandle(snapshot);
  return base;
}

uintptr_t TargetProcess::LoadExport(const std::string& dll_path, const char* export_name) {
  // Offsets measured here hold in the target, which maps the same files.
  HMODULE local_kernel = GetModuleHandleA("kernel32.dll");
  uintptr_t load_library_offset =
      reinterpret_cast<uintptr_t>(GetProcAddress(local_kernel, "LoadLibraryA")) -
      reinterpret_cast<uintptr_t>(local_kernel);
  HMODULE local_dll = LoadLibraryA(dll_path.c_str());
  if (!local_dll) return 0;
  FARPROC local_export = GetProcAddress(local_dll, export_name);
  if (!local_export) return 0;
  uintptr_t export_offset =
      reinterpret_cast<uintptr_t>(local_export) - reinterpret_cast<uintptr_t>(local_dll);

  std::string dll_name = dll_path.substr(dll_path.find_last_of("\\/") + 1);
  uintptr_t dll_base = ModuleBase(dll_name.c_str());
  if (!dll_base) {
    uintptr_t kernel_base = ModuleBase("kernel32.dll");
    if (!kernel_base) return 0;
    RemoteBlock path(*this, dll_path.size() + 1);
    if (!path.address() || !Write(path.address(), dll_path.c_str(), dll_path.size() + 1) ||
        !path.Call(kernel_base + load_library_offset, nullptr)) {
      return 0;
    }
    dll_base = ModuleBase(dll_name.c_str());
    if (!dll_base) return 0;
  }
  return dll_base + export_offset;
}

int RunningProcessesOf(const std::string& path) {
  std::string name = path.substr(path.find_last_of("\\/") + 1);
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return -1;
  int count = 0;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
    if (lstrcmpiA(entry.szExeFile, name.c_str()) == 0) ++count;
  }
  CloseHandle(snapshot);
  return count;
}

bool RemoteBlock::Send(HWND window, UINT message, WPARAM wparam, DWORD timeout_ms,
                       DWORD_PTR* result) {
  if (!address_) return false;
  if (SendMessageTimeoutA(window, message, wparam, static_cast<LPARAM>(address_), SMTO_ABORTIFHUNG,
                          timeout_ms, result)) {
    return true;
  }
  abandoned_ = true;
  return false;
}

bool RemoteBlock::Call(uintptr_t function, DWORD* result, DWORD timeout_ms) {
  if (!address_) return false;
  if (target_.CallRemote(function, address_, result, timeout_ms)) return true;
  abandoned_ = true;
  return false;
}

}  // namespace vx::e2e
