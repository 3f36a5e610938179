#pragma once

// The standard library of scripts: every module that needs no more than Qt Core (system
// functions, basic classes, dialogs, ini files). Programs that draw add the graphics and
// forms modules, which take their places among these (TkyModuleOrder).

// Registers those modules. Once per process; later calls do nothing.
void kyRegisterStandardLibrary();
