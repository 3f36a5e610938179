#pragma once

// The host window's share of the look: the View menu's Theme and Language submenus, its
// captions shown again after a language change, and code completion on its script page
// that knows the window's report.

class TForm1;

// One call once the window is built.
void kavSetUpHostLook(TForm1 &window);
