#include "kavDesgnDialogs.h"

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
