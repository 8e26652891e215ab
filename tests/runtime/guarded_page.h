// Memory that ends where readable memory ends, for the digest lanes' tests.
#pragma once

#include <cstddef>

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace vx::testing {

// Messages that end where readable memory ends: a kernel reading one byte beyond a message
// faults (masked loads escape the address sanitizer, this does not).
class GuardedPage {
 public:
  GuardedPage() {
#if defined(_WIN32)
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    size_ = info.dwPageSize;
    base_ = static_cast<unsigned char*>(
        VirtualAlloc(nullptr, 2 * size_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    DWORD old_protection;
    if (base_ != nullptr) VirtualProtect(base_ + size_, size_, PAGE_NOACCESS, &old_protection);
#else
    size_ = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    void* pages =
        mmap(nullptr, 2 * size_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    base_ = pages == MAP_FAILED ? nullptr : static_cast<unsigned char*>(pages);
    if (base_ != nullptr) mprotect(base_ + size_, size_, PROT_NONE);
#endif
  }
  ~GuardedPage() {
#if defined(_WIN32)
    if (base_ != nullptr) VirtualFree(base_, 0, MEM_RELEASE);
#else
    if (base_ != nullptr) munmap(base_, 2 * size_);
#endif
  }
  unsigned char* end() const {
    return base_ + size_;
  }
  size_t size() const {
    return size_;
  }
  bool ok() const {
    return base_ != nullptr;
  }

 private:
  unsigned char* base_ = nullptr;
  size_t size_ = 0;
};

}  // namespace vx::testing
