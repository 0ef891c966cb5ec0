#pragma once

// Counts of the module's live objects and of the locks held on it.
void vantelObjectCreated();
void vantelObjectDestroyed();
