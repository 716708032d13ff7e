// tools/Progress.h: how far a long mtafilter run has got, on standard error.
#pragma once

#include <cstddef>
#include <string>

// On a terminal the line is redrawn in place, unless standard output is that terminal
// too: console lines written there would land in the middle of it, so plain lines are
// written instead, one every hundred items to keep logs short.
class Progress {
public:
    Progress(size_t total, bool quiet);

    // Item `count` of the total, named `item`, is done.
    void Done(size_t count, const std::string& item);
    // Clears the redrawn line.
    void Finish();

private:
    size_t total_;  // items in the run
    bool enabled_;  // false: quiet
    bool inPlace_;  // redraw one line instead of writing lines
};
