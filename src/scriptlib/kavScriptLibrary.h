#pragma once

// The script library as report programs see it: the standard modules with the graphics
// and forms modules in their place among them.

// Registers the four script languages and every library module (each once per process;
// later calls do nothing).
void kavRegisterScriptLibrary();
