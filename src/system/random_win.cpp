#include <windows.h>
#include <bcrypt.h>

#include "system/os_error.h"
#include "system/random.h"

namespace quillmar {
namespace {

using ProcessPrngFunction = BOOL(WINAPI*)(PBYTE, SIZE_T);

// ProcessPrng lives in bcryptprimitives.dll from Windows 10 on; Wine 8 has no such
// DLL, so BCryptGenRandom with the system-preferred generator stands in.
ProcessPrngFunction find_process_prng() {
  HMODULE module = LoadLibraryExW(L"bcryptprimitives.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (module == nullptr) return nullptr;
  return reinterpret_cast<ProcessPrngFunction>(reinterpret_cast<void*>(GetProcAddress(module, "ProcessPrng")));
}

}  // namespace

Result<void> random_bytes(std::uint8_t* buffer, std::size_t size) {
  static const ProcessPrngFunction process_prng = find_process_prng();
  if (process_prng != nullptr) {
    // ProcessPrng is documented never to fail.
    process_prng(buffer, size);
    return {};
  }
  while (size > 0) {
    const ULONG chunk = size > 0x40000000 ? 0x40000000 : static_cast<ULONG>(size);
    const NTSTATUS status = BCryptGenRandom(nullptr, buffer, chunk, BCRYPT_USE_SYSTEM_PREFERRED_RNG);
    if (!BCRYPT_SUCCESS(status)) return Error{os_error_text(static_cast<unsigned long>(status))};
    buffer += chunk;
    size -= chunk;
  }
  return {};
}

}  // namespace quillmar
