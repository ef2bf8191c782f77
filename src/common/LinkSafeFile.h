#pragma once
// Files the plug-in deletes or writes in folders it does not own (the host's folder). A
// privileged process that follows a link there can be pointed at any file, so the file is
// opened itself, never through a link in the last part of its path, and is refused when it is
// a link (a reparse point) or has more than one name (a hard link). A refusal is logged once.
#include <string>

namespace common {

// Deletes the file. False when it does not exist, is refused or cannot be deleted.
bool DeleteLinkSafe(const std::wstring& path);

// Appends the text, creating the file; written through to the disk. False when the file is
// refused or cannot be written.
bool AppendLinkSafe(const std::wstring& path, const std::string& text);

}  // namespace common
