#pragma once

// Library module (being written).

// Registers the module with the library (once; later calls do nothing).
void kyRegisterDialogsModule();
