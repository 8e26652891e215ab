// Files that the scenarios give the program and read back, and the digests they are checked with.
#include <windows.h>

#include <wincrypt.h>

#include "tests/e2e/actions.h"

namespace vx::e2e {

namespace {

// The digest of `bytes` by the system's CryptoAPI with `algorithm` of `provider_type`, as
// lowercase hexadecimal digits; empty when CryptoAPI fails.
std::string SystemDigest(const std::string& bytes, DWORD provider_type, ALG_ID algorithm) {
  HCRYPTPROV provider = 0;
  HCRYPTHASH hash = 0;
  std::string hex;
  if (CryptAcquireContextA(&provider, nullptr, nullptr, provider_type, CRYPT_VERIFYCONTEXT) &&
      CryptCreateHash(provider, algorithm, 0, 0, &hash) &&
      CryptHashData(hash, reinterpret_cast<const BYTE*>(bytes.data()),
                    static_cast<DWORD>(bytes.size()), 0)) {
    BYTE digest[64];
    DWORD length = sizeof digest;
    if (CryptGetHashParam(hash, HP_HASHVAL, digest, &length, 0)) {
      static const char kHex[] = "0123456789abcdef";
      for (DWORD i = 0; i < length; ++i) {
        hex += kHex[digest[i] >> 4];
        hex += kHex[digest[i] & 15];
      }
    }
  }
  if (hash) CryptDestroyHash(hash);
  if (provider) CryptReleaseContext(provider, 0);
  return hex;
}

}  // namespace

std::string SystemMd5(const std::string& bytes) {
  return SystemDigest(bytes, PROV_RSA_FULL, CALG_MD5);
}

std::string SystemSha256(const std::string& bytes) {
  return SystemDigest(bytes, PROV_RSA_AES, CALG_SHA_256);
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool complete =
      WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
      written == bytes.size();
  CloseHandle(file);
  return complete;
}

bool ReadFileBytes(const std::string& path, std::string* bytes) {
  HANDLE file =
      CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bytes->assign(GetFileSize(file, nullptr), '\0');
  DWORD read = 0;
  bool complete = bytes->empty() || (ReadFile(file, &(*bytes)[0], static_cast<DWORD>(bytes->size()),
                                              &read, nullptr) &&
                                     read == bytes->size());
  CloseHandle(file);
  return complete;
}

}  // namespace vx::e2e
