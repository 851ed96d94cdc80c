#include "support/process_reset.h"

#include "check/language.h"
#include "check/process_state.h"

namespace ombrix::test {

void resetProcessState() {
    resetAccountsAndFlags();
    Language = 1;
}

} // namespace ombrix::test
