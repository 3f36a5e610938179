#pragma once

// The basic-classes library module: objects, lists, string lists, streams and the script
// XML classes for scripts, with the file-mode and seek constants. Objects a script creates
// belong to the script; Free refuses objects that belong to the host.

// Registers the module with the library (once; later calls do nothing).
void kyRegisterClassesModule();
