#include "cfgbuf/CfgPcdBuf.h"

// Placeholder until the configuration record lands: start-up step 2 does nothing yet.
VOID FillCfgPcdBuf() {}
