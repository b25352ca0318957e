#include <windows.h>
#include <wintrust.h>
#include <softpub.h>

#include <cstddef>

#include "install/code_signature.h"

namespace quillmar {
namespace {

// MinGW-w64's WINTRUST_DATA is 80 bytes: it lacks the final pSignatureSettings
// member. Wine's provider crashed in its close step when handed the short form, so
// the full 88-byte layout the system expects is declared here.
struct WintrustData88 {
  DWORD cbStruct;
  LPVOID pPolicyCallbackData;
  LPVOID pSIPClientData;
  DWORD dwUIChoice;
  DWORD fdwRevocationChecks;
  DWORD dwUnionChoice;
  WINTRUST_FILE_INFO* pFile;
  DWORD dwStateAction;
  HANDLE hWVTStateData;
  WCHAR* pwszURLReference;
  DWORD dwProvFlags;
  DWORD dwUIContext;
  void* pSignatureSettings;
};
static_assert(sizeof(WintrustData88) == 88, "WINTRUST_DATA must have the system's 88-byte layout");
static_assert(sizeof(WINTRUST_FILE_INFO) == 32, "WINTRUST_FILE_INFO must be 32 bytes");

}  // namespace

TrustAnswer query_code_signature(const Path& file) {
  WINTRUST_FILE_INFO file_info{};
  file_info.cbStruct = sizeof(WINTRUST_FILE_INFO);
  file_info.pcwszFilePath = file.c_str();
  file_info.hFile = nullptr;
  file_info.pgKnownSubject = nullptr;

  WintrustData88 data{};
  data.cbStruct = sizeof(WintrustData88);
  data.dwUIChoice = WTD_UI_NONE;
  data.fdwRevocationChecks = WTD_REVOKE_WHOLECHAIN;
  data.dwUnionChoice = WTD_CHOICE_FILE;
  data.pFile = &file_info;
  data.dwStateAction = WTD_STATEACTION_VERIFY;

  GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  TrustAnswer answer;
  answer.status = static_cast<std::uint32_t>(WinVerifyTrust(nullptr, &action, &data));
  answer.last_error = static_cast<std::uint32_t>(GetLastError());

  // Releases the state the verification kept; its result says nothing more.
  data.dwStateAction = WTD_STATEACTION_CLOSE;
  WinVerifyTrust(nullptr, &action, &data);
  return answer;
}

}  // namespace quillmar
