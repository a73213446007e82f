#pragma once
// Damaged and hostile variants of zip archives (plain, with links, with a
// password, with AES, zip64, compressed zeros, nested), each unpacked in a child
// process of its own into a fresh folder beside an empty one. A crash, a
// sanitizer report, a hang past 10 s, more than 512 MiB (plain build), any
// file outside the destination or a link left there that leads out counts as
// a fault; the input and what the child wrote are kept.

namespace FuzzZip {

// Usage: bench_fuzzinput zip [variants per seed and kind = 60]
//        [parallel children = 4] [folder for faults = ./fuzz-faults] [random seed]
// argv[0] is "zip". Returns 0 without faults, 2 with, 1 when it cannot run.
int run(int argc, char **argv);

} // namespace FuzzZip
