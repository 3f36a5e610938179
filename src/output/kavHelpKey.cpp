#include "kavHelpKey.h"

#include <persist/kavRes.h>

#include <QEvent>
#include <QKeyEvent>
#include <QObject>
#include <QString>
#include <QWidget>

namespace {

// Child of the window it watches, so it goes away with it.
class HelpKeyFilter : public QObject
{
public:
    HelpKeyFilter(QWidget &window, const QString &className)
        : QObject(&window)
        , FClassName(className)
    {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        const bool key = event->type() == QEvent::ShortcutOverride
                         || event->type() == QEvent::KeyPress;
        if (!key || static_cast<QKeyEvent *>(event)->key() != Qt::Key_F1
            || static_cast<QKeyEvent *>(event)->modifiers() != Qt::NoModifier)
            return QObject::eventFilter(watched, event);
        // Claiming the override keeps an outer window's F1 shortcut from taking the key;
        // the key press that follows reaches this window and opens its page.
        event->accept();
        if (event->type() == QEvent::KeyPress)
            kavResourceTable().Help(FClassName);
        return true;
    }

private:
    QString FClassName;
};

} // namespace

void kavInstallHelpKey(QWidget &window, const QString &className)
{
    window.installEventFilter(new HelpKeyFilter(window, className));
}
