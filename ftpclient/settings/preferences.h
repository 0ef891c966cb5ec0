#pragma once

// Settings of the client that no dialog of its own holds.
struct Preferences {
    static constexpr short DefaultParallelTransfers = 2;
    // Files the transfer queue moves at once, each on its own connection.
    short parallelTransfers = DefaultParallelTransfers;
    // What a transfer does when its target exists: 0 asks, 1 overwrites a
    // target that is older or of another size (and skips the rest), 2 skips.
    short existingFiles = 0;
};
