// The aggregate check that --self-test runs after the health rules.
#pragma once

// 0 when every check passes, else the number of the first failed check.
int AggregateSelfTest();
