#pragma once

namespace ombrix::test {

// Every process-wide variable back to a fresh start: the account table, the
// run flags, the settings record and the language. Call it in SetUp().
void resetProcessState();

} // namespace ombrix::test
