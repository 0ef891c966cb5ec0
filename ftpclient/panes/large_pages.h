#pragma once

#include <QtGlobal>

#include <cstddef>

// A long listing writes tens of megabytes of fresh memory, and every fresh
// page costs a fault the first time it is written. On some virtual machines
// such a fault costs more than the work done in the page. Where the kernel
// gives its large pages (2 MiB) on request, one fault serves 512 small ones.
//
// Asks that the next `bytes` the calling thread takes from the heap come in
// large pages. Less than a few large pages' worth is not worth asking for;
// more than a thread's heap holds is cut to that. The request lasts until
// the memory goes back to the system, and holds only where large blocks
// come from the heap as well (keepFreedMemory sees to that). Under a
// sanitizer, whose allocator has its own ways, nothing is asked.
void preferLargePages(std::size_t bytes);

// The same for work that makes something for each of `entries` entries of
// a listing.
void preferLargePagesFor(qsizetype entries);
