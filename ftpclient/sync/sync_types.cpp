#include "sync_types.h"

bool isTransfer(ActionKind kind) {
    return kind == ActionKind::Upload || kind == ActionKind::Download;
}
