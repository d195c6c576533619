#pragma once
// Files the engine writes and reads back (saves, the read-pages record):
// written so that a crash, a kill or a full disk leaves either the old file
// or the new one, never a mix.
#include <string>
#include <string_view>

// Whether a write worked, and if not why, as a line the player can be shown:
// "cannot write save/slot1.sav: Permission denied".
struct WriteResult {
    bool ok = true;
    std::string problem;

    explicit operator bool() const { return ok; }
};

// Writes a new temporary file in the same folder (path + ".tmp." + the
// process id + a count, created only where no file or link of that name is),
// flushes it to the disk, renames it over path and flushes the folder. A link
// at path is replaced, never written through. On any failure the temporary
// file is removed, the old file is left as it was and the result says why; it
// never throws for a failed write.
WriteResult writeFileAtomically(const std::string& path, std::string_view bytes);

// Moves the file from over to, replacing a file or link there (a plain
// rename does not replace one on Windows); false when the move failed.
bool moveFileOver(const std::string& from, const std::string& to);

// Makes the folder unless it is there already (as a folder).
WriteResult makeFolder(const std::string& path);
// Makes the folder a file goes in unless it is there (nothing for a bare name).
WriteResult makeParentFolder(const std::string& file);
