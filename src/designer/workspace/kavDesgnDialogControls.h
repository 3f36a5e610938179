#pragma once

// The designer's picture of dialog controls: each control is drawn as the widget a run
// would show for it, rendered off screen at the control's size.

// Installs the painter dialog controls draw themselves with (once per process).
void kavInstallDialogControlPainter();
