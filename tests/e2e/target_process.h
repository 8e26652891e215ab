// The program under test as a process: starting it, its exit code, and work done inside it
// (memory, remote threads, loading a helper DLL).
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vx::e2e {

class TargetProcess {
 public:
  TargetProcess() = default;
  TargetProcess(const TargetProcess&) = delete;
  TargetProcess& operator=(const TargetProcess&) = delete;
  // Ends the process if it still runs, so that a failed scenario leaves nothing behind.
  ~TargetProcess();

  // Starts `path` in its own folder and waits until it is idle for input (at most
  // `timeout_ms`). Returns false when it cannot be started.
  bool Start(const std::string& path, DWORD timeout_ms = 10000);

  // Waits for the process to end; returns false on timeout. `exit_code` gets its exit code.
  bool WaitForExit(DWORD timeout_ms, DWORD* exit_code);
  bool IsRunning() const;
  void Kill();

  // The process's working set in bytes, 0 when it cannot be read.
  size_t WorkingSetBytes() const;

  DWORD pid() const { return pid_; }
  HANDLE handle() const { return process_; }

  // Memory in the target: Allocate returns 0 on failure; Free releases it.
  uintptr_t Allocate(size_t size);
  void Free(uintptr_t address);
  bool Write(uintptr_t address, const void* data, size_t size);
  bool Read(uintptr_t address, void* data, size_t size);

  // Runs `function(parameter)` on a new thread of the target and waits for it; returns false
  // when the thread cannot be started or does not end in time. `result` gets its exit code.
  bool CallRemote(uintptr_t function, uintptr_t parameter, DWORD* result = nullptr,
                  DWORD timeout_ms = 5000);

  // The ids of the target's threads at this moment.
  std::vector<DWORD> ThreadIds() const;

  // Base address of the module named `module_name` (e.g. "kernel32.dll") in the target, or 0.
  uintptr_t ModuleBase(const char* module_name);

  // Loads the DLL at `dll_path` into the target (LoadLibraryA on a remote thread) and returns
  // the address of its export `export_name` there, or 0. The DLL is also loaded here to learn
  // the export's offset.
  uintptr_t LoadExport(const std::string& dll_path, const char* export_name);

 private:
  HANDLE process_ = nullptr;
  DWORD pid_ = 0;
};

// The number of running processes whose program file has the file name of `path` (any folder).
int RunningProcessesOf(const std::string& path);

// A block of target memory freed when it goes out of scope, unless a message or call that was
// handed its address timed out: the target may still write into it later, so it is left there.
class RemoteBlock {
 public:
  RemoteBlock(TargetProcess& target, size_t size)
      : target_(target), address_(target.Allocate(size)) {}
  ~RemoteBlock() {
    if (!abandoned_) target_.Free(address_);
  }
  RemoteBlock(const RemoteBlock&) = delete;
  RemoteBlock& operator=(const RemoteBlock&) = delete;
  uintptr_t address() const { return address_; }

  // Sends `message` to `window` with the block's address as its lParam; false on timeout.
  bool Send(HWND window, UINT message, WPARAM wparam, DWORD timeout_ms, DWORD_PTR* result);
  // Runs `function` on a target thread with the block's address as its parameter.
  bool Call(uintptr_t function, DWORD* result, DWORD timeout_ms = 5000);

 private:
  TargetProcess& target_;
  uintptr_t address_;
  bool abandoned_ = false;
};

}  // namespace vx::e2e
