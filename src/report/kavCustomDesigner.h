#pragma once

// What a report needs of the designer, which lives in the user-interface library: the
// library installs the window that edits one prepared page at start-up, and a report
// without it has no designer.

#include <functional>

class TkavReport;

// Opens the designer modally on Report (a temporary report holding the one page to edit)
// and returns when it is closed; Report's Modified then tells whether the page was changed.
using TkavPreviewPageDesignerHook = std::function<void(TkavReport &Report)>;
// Installs Hook (an empty one removes it) and returns the previous one.
TkavPreviewPageDesignerHook kavSetPreviewPageDesignerHook(TkavPreviewPageDesignerHook Hook);
const TkavPreviewPageDesignerHook &kavPreviewPageDesignerHook();
