#pragma once
// The fuzz benchmark's non-media inputs: the program's own state files
// (History.xml, the preferences, CustomedLists.xml), an effect preset and the
// output-profile catalogue, each damaged by structural mutators (deep
// nesting, declared entities, huge attributes, wrong value kinds,
// truncation, flipped bytes) and read by the program's own reader in a child
// process of its own. A crash, a sanitizer report, a hang past 10 s, more
// than 512 MiB (plain build), a save that multiplies the file or a preset
// outside its bounds counts as a fault; the input and the child's output are
// kept in the fault folder.

#include <QString>

namespace StateFuzz {

// Runs every target, seed and mutator `variants` times with `jobs` children
// at once; prints its figures and returns the number of faults.
int run(int variants, int jobs, const QString &faultDir, unsigned seedValue);

} // namespace StateFuzz
