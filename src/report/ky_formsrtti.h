#pragma once

// The script library's forms module: controls, forms, the application object and their
// events for scripts (registered by kyRegisterFormsModule).

// Adds the module to the library modules every script takes (once per process).
void kyRegisterFormsModule();
