#pragma once

// Script forms on the screen: Qt widgets built from the forms module's controls.
