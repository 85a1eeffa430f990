// --guard: run by the startup task as SYSTEM before anyone signs in; re-applies every
// hardened area and nothing else.
#pragma once

// Always 0: every step goes on past failures.
int RunStartupGuard();
