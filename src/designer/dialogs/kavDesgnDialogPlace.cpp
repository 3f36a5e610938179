#include "kavDesgnDialogPlace.h"

#include <designer/window/kavDesgnPlacement.h>
#include <output/kavHelpKey.h>
#include <rtl/kavSettings.h>

#include <QDialog>
#include <QEvent>
#include <QHash>
#include <QRect>

namespace {

TkavDialogSettings &dialogSettings()
{
    static TkavDialogSettings settings;
    return settings;
}

// Bounds left by the dialogs closed in this process, by class: they win over the store,
// which another designer may have written since.
QHash<QString, QRect> &closedBounds()
{
    static QHash<QString, QRect> bounds;
    return bounds;
}

// Child of the dialog it watches: restores its bounds before it first shows, keeps them
// when it hides.
class DialogPlace : public QObject
{
public:
    DialogPlace(QDialog &dialog, const QString &className)
        : QObject(&dialog)
        , FDialog(dialog)
        , FClassName(className)
    {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == &FDialog && !event->spontaneous()) {
            if (event->type() == QEvent::Show)
                restore();
            else if (event->type() == QEvent::Hide)
                save();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void restore()
    {
        if (const auto known = closedBounds().constFind(FClassName); known != closedBounds().cend()) {
            FDialog.resize(known->size());
            FDialog.move(known->topLeft());
            kavKeepOnScreen(FDialog);
        } else if (dialogSettings()) {
            const std::unique_ptr<TkavIniFile> ini = dialogSettings()();
            if (ini->SectionExists(QStringLiteral("Form5.") + FClassName))
                kavRestoreFormPosition(*ini, FClassName, FDialog);
        }
    }

    void save()
    {
        closedBounds().insert(FClassName, QRect(FDialog.pos(), FDialog.size()));
        if (!dialogSettings())
            return;
        const std::unique_ptr<TkavIniFile> ini = dialogSettings()();
        kavSaveFormPosition(*ini, FClassName, FDialog);
        try {
            ini->UpdateFile();
        } catch (const std::exception &) {
            // Only a remembered place is lost; the process still remembers it.
        }
    }

    QDialog &FDialog;
    QString FClassName;
};

} // namespace

void kavDesignerDialog(QDialog &dialog, const QString &className)
{
    dialog.installEventFilter(new DialogPlace(dialog, className));
    kavInstallHelpKey(dialog, className);
}

void kavSetDialogSettings(TkavDialogSettings settings)
{
    dialogSettings() = std::move(settings);
}
