#pragma once
// A pass over a large list's rows on the GUI thread waits on memory far
// more than it works: each row, and its texts, sit apart. The rows (and
// their texts) a few places ahead are asked of memory while one is read.

#include "library/qhistorychunk.h"

#include <vector>

namespace RowPass {

enum Reads { Rows, RowsAndTexts };

// Calls visit(row) for each row in turn.
template<class Visit>
void forEach(const std::vector<IBaseChunk *> &rows, Reads reads, Visit visit)
{
    constexpr size_t kRowsAhead = 16;
    constexpr size_t kTextsAhead = 8;
    const size_t n = rows.size();
    for (size_t i = 0; i < n; ++i) {
        if (i + kRowsAhead < n)
            __builtin_prefetch(rows[i + kRowsAhead]);
        if (reads == RowsAndTexts && i + kTextsAhead < n)
            if (const auto *row = dynamic_cast<const QHistoryChunk *>(rows[i + kTextsAhead]))
                row->texts().prefetch();
        visit(rows[i]);
    }
}

} // namespace RowPass
