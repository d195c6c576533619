#pragma once
// Test seam of writeFileAtomically: makes one of its steps fail as the
// system would (with EIO), so that tests can see what each failure leaves.
#include <string>

enum class WriteStep {
    None,    // nothing fails
    Open,    // creating the temporary file
    Write,   // writing it (fails after half of the bytes)
    Sync,    // flushing it to the disk
    Rename,  // renaming it over the old file
};
// Every later write fails at this step, until set back to WriteStep::None.
void failWritesAt(WriteStep step);

// The temporary name the next write of path tries first.
std::string nextTemporaryName(const std::string& path);
