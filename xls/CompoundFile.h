#pragma once
// Compound document ("structured storage") container writer for the .xls file.
//
// The container is version 3: 512-byte sectors, 64-byte mini sectors, a mini stream
// cutoff of 4096 bytes. The root storage holds exactly one stream.

#include <string>
#include <vector>

namespace vte {

// Writes a compound document at `path` whose root storage holds exactly one stream
// `streamName` (ASCII) with the bytes `stream` (a stream under 4096 bytes goes to the mini
// stream). The stream's length in the container is exactly stream.size().
//
// The file is written beside the target (a hidden ".<name>.<random>.tmp" file in the same
// folder) and renamed over it, so an existing good file is never left half-written and never
// replaced by a partial one; the temporary file is removed on failure.
// An existing regular target keeps its permission bits; a symbolic link target is followed and
// the file it points to is replaced.
//
// Throws vte::WriteError (WriteError.h), naming `path`, with one of these messages:
//  - "StgCreateDocFile error %d" (step CreateFile): the file cannot be created; the code is
//    the negated errno, e.g. -2 (folder does not exist), -13 (no permission), -20 (a path
//    component is not a folder), -21 (the target is a folder), -36 (name too long).
//  - "CreateStream error %d" (step CreateStream): the stream cannot be made; fixed codes:
//      -22  the name is empty, or holds a character outside printable ASCII or one of / \ : !
//      -36  the name is longer than 31 characters
//      -27  the stream is larger than the container can describe (4 GiB - 1 bytes)
//    The target is left untouched in these cases.
//  - the system's error text (strerror, e.g. "No space left on device"; step Write) when
//    writing, closing or renaming fails; the target is left untouched.
void WriteCompoundFile(const std::string &path, const std::string &streamName,
                       const std::vector<unsigned char> &stream);

}  // namespace vte
