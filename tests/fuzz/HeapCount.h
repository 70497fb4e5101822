// The number of blocks allocated with operator new and not yet deleted: this executable replaces the
// global operator new and delete to count them, so a test can see that an operation leaves none behind.
#pragma once

long LiveHeapBlocks() noexcept;
