#pragma once

// The script library's graphics module: fonts, pens, brushes, canvases, graphics and
// pictures for scripts (registered by kyRegisterGraphicsModule).

// Adds the module to the library modules every script takes (once per process).
void kyRegisterGraphicsModule();
