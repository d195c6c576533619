#pragma once
// A run killed while writing a file (writeFileAtomically) leaves its
// temporary file beside it for good; the next run clears such files away.
#include <string>

// Removes from the folder (not below it) the regular files named as
// writeFileAtomically names its temporaries, NAME.tmp.<process id>.<count>,
// whose process is gone. Links, other files and a folder that is a link are
// left alone. On Windows a temporary counts as left over once it is a day
// old; in the browser none outlives the page. The number of files removed.
int removeStaleTemporaries(const std::string& folder);
