#include "cfgbuf/CfgPcdBuf.h"

CFG_PCD_BUF CfgPcdBuf = {};

// Placeholder until the configuration record's fill lands: start-up step 2 does nothing yet.
VOID FillCfgPcdBuf() {}
