// Files and folders: test-side control of the simulated machine.
// Paths are drive-letter Windows paths ("C:\WINDOWS\x.dll"), compared without
// regard to case. A fresh machine has drive C with C:\WINDOWS\system32\drivers,
// C:\Program Files\Common Files and C:\Setup.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/windows.h"

namespace sim {

// Creates the folder and every missing folder above it.
void MakeFolder(const std::string& path);
// Writes a whole file (and its missing folders), replacing what was there.
void PutFile(const std::string& path, const std::vector<uint8_t>& data,
             DWORD attributes = FILE_ATTRIBUTE_ARCHIVE);
void PutFile(const std::string& path, const std::string& text,
             DWORD attributes = FILE_ATTRIBUTE_ARCHIVE);
bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);
// The file's bytes (empty when it does not exist).
std::vector<uint8_t> FileBytes(const std::string& path);
std::string FileText(const std::string& path);
// Attributes as GetFileAttributesA reports them; INVALID_FILE_ATTRIBUTES when missing.
DWORD PathAttributes(const std::string& path);
// Names of the files and folders directly inside a folder, sorted without
// regard to case.
std::vector<std::string> FolderEntries(const std::string& path);

// Another process opens the file with this access and share mode and keeps
// it open for `releaseAfter` virtual milliseconds (0: until
// ReleaseFileElsewhere or a restart).
void HoldFileElsewhere(const std::string& path, DWORD shareMode, DWORD access = GENERIC_READ,
                       uint64_t releaseAfter = 0);
void ReleaseFileElsewhere(const std::string& path);
// Another process runs the file as a program or has loaded it as a DLL,
// until ReleaseImageElsewhere or a restart (a running own-process service
// does the same with its program). On NT the file still opens for reading
// with any share mode and can be renamed; writing it fails with 32,
// deleting it with 5. Windows 9x keeps the file open while it runs it: an
// open that writes or shares no reading fails with 32, a deletion or a
// rename with 5.
void LoadImageElsewhere(const std::string& path);
void ReleaseImageElsewhere(const std::string& path);
// Every open, copy, deletion, attribute change or creation of the path fails
// with access denied (5) while set; its attributes can still be read.
void DenyAccess(const std::string& path, bool denied = true);
// The next `attempts` opens, creations, copies or deletions of the path fail
// with `error`; then they work again. Reading or changing its attributes, or
// looking for a file that is not there, does not count.
void FailOpens(const std::string& path, DWORD error, unsigned attempts);

}  // namespace sim
