#pragma once

#include <string>

#include "system/path.h"
#include "system/result.h"

namespace quillmar {

class InstallerLog;

// The version record inside an installation folder.
inline constexpr char kVersionRecordFileName[] = "version.txt";

// The trimmed content of version.txt in FOLDER; the empty text when the file is
// missing, unreadable or not valid UTF-8.
std::string read_version_record(const Path& folder);

// The installed version when the version record names EXPECTED exactly; otherwise
// the failure detail "installed version \"...\", expected ...".
Result<std::string> checkVersionRecord(const Path& folder, const std::string& expected);

// Runs quillmar.exe --verify-root FOLDER from FOLDER and waits for it without a
// limit. Passes on exit code 0; otherwise the error text is the text of the log
// line "installed release verification failed: ...".
Result<void> runIntegrityCheck(const Path& folder);

// Starts the installed application from FOLDER, detached, with no arguments; a
// failure is written to LOG as "launch failed: ...".
void launchInstalled(const Path& folder, InstallerLog& log);

}  // namespace quillmar
