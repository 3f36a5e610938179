#include "kavDesgnLook.h"

#include "Unit1.h"
#include "kavDesgnForm.h"
#include "kavDesgnLanguage.h"
#include "kavDesgnTheme.h"

#include <designer/code/kavDesgnSyntaxMemo.h>
#include <persist/kavRes.h>

#include <QMenu>

void kavSetUpHostLook(TForm1 &window)
{
    if (QMenu *view = window.ViewMenu()) {
        view->addSeparator();
        kavAddThemeMenu(*view);
        kavAddLanguageMenu(*view);
    }
    kavOnLanguageChanged(window, [&window] { window.UpdateCaptions(); });
    window.Designer().CodeWindow().Completion().SetReport(&window.kavReport1());
}
