// Whether a file can be started as a program, rather than handed to the
// desktop's opener. Files on FAT, exFAT, NTFS or SMB mounts often carry the
// executable bit although they are documents.
#pragma once

#include <string>

namespace sorvel {

// True only for a regular file that this user may execute, that is an ELF
// binary or a script with a "#!" line, and that lies on a mount that allows
// execution.
bool canStartDirectly(const std::string& path);

}  // namespace sorvel
