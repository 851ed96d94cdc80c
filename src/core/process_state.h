#pragma once
// Back to the state of a fresh process: every slot cleared, no accounts, the
// run flags at rest. Start-up uses it before reading the files; tests use it
// between cases.

namespace ombrix {

void resetAccountsAndFlags();

} // namespace ombrix
