#pragma once

// Registers the ":/Images/…" pixmaps of the forms. The library is static, so a
// program that shows any of its windows calls this once before the first one.
void initUiResources();
