// Writing files during the installation run: the file copy (into a directory or onto a file name,
// creating the directories it needs, keeping the source's modification time) and the writing of a
// stream extracted from the payload to a file.
#pragma once
#include <string>

#include "platform/platform.h"

namespace qs {

class TStream;

// Copies source to destination. When destination names an existing directory the copy goes into
// it under the source's file name. Missing directories above the destination are created. Raises
// EFOpenError (source), EFCreateError (destination, also when it is the source itself),
// EReadError or EWriteError. The destination gets the source's modification time.
void FileCopy(IFileSystem& files, const std::string& source, const std::string& destination);

// Writes the whole stream (from its start) to a file, creating or replacing it. Raises
// EFCreateError with the path, or EWriteError.
void SaveStreamToFile(IFileSystem& files, TStream& stream, const std::string& path);

}  // namespace qs
