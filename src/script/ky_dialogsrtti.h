#pragma once

// The dialogs module: the common dialogs (open, save, colour, font, print, printer setup)
// and MessageDlg, InputBox and InputQuery for scripts. Everything goes through the UI
// services, so in a headless run nothing blocks: dialogs report "cancelled" and questions
// take their safe answer.

class TkyScript;

// Registers the module with the library (once; later calls do nothing).
void kyRegisterDialogsModule();

// The modal results mrNone ... mrYesToAll, each added to script unless an item of that
// name exists (the forms module, which comes first, and this one both need them).
void kyAddModalResults(TkyScript &script);
