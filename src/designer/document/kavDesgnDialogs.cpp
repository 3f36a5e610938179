#include "kavDesgnDialogs.h"

#include <report/kavViews.h>

namespace {

std::unique_ptr<TkavDesignerDialogs> &installed()
{
    static std::unique_ptr<TkavDesignerDialogs> dialogs;
    return dialogs;
}

} // namespace

TkavDesignerDialogs &kavDesignerDialogs()
{
    static TkavHeadlessDesignerDialogs headless;
    return installed() ? *installed() : static_cast<TkavDesignerDialogs &>(headless);
}

std::unique_ptr<TkavDesignerDialogs> kavSetDesignerDialogs(std::unique_ptr<TkavDesignerDialogs> dialogs)
{
    std::unique_ptr<TkavDesignerDialogs> previous = std::move(installed());
    installed() = std::move(dialogs);
    return previous;
}

bool kavEditMemoText(TkavComponent *Component, bool SysMemo)
{
    auto *memo = dynamic_cast<TkavCustomMemoView *>(Component);
    if (!memo)
        return false;
    QString text = memo->Text();
    TkavDesignerDialogs &dialogs = kavDesignerDialogs();
    if (!(SysMemo ? dialogs.EditSysMemo(*memo, text) : dialogs.EditMemo(*memo, text)))
        return false;
    memo->SetText(text);
    return true;
}
