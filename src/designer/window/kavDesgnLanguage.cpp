#include "kavDesgnLanguage.h"

#include <persist/kavRes.h>
#include <rtl/kavCaseFold.h>
#include <rtl/kavUIServices.h>

#include <QActionGroup>
#include <QMenu>

using namespace Qt::StringLiterals;

namespace {

// Marks the item of the language in use (none when its file is not listed).
void markLanguage(QMenu &languages)
{
    const QString inUse = kavResourceTable().languageInUse();
    for (QAction *item : languages.actions())
        item->setChecked(kavSameText(item->text(), inUse));
}

} // namespace

QMenu *kavAddLanguageMenu(QMenu &menu)
{
    TkavResources &table = kavResourceTable();
    if (table.Languages().isEmpty())
        return nullptr;
    menu.addSeparator();
    QMenu *languages = menu.addMenu(kavGet(2475));
    languages->setObjectName(u"LanguageMI"_s);
    auto *group = new QActionGroup(languages);
    for (const QString &language : table.Languages()) {
        QAction *item = languages->addAction(language);
        item->setObjectName(language + u"LanguageMI"_s);
        item->setCheckable(true);
        item->setActionGroup(group);
        QObject::connect(item, &QAction::triggered, languages, [languages, language] {
            QString error;
            if (!kavResourceTable().loadLanguage(language, &error))
                kavUIServices().ErrorBox(error);
            markLanguage(*languages);
        });
    }
    markLanguage(*languages);
    kavOnLanguageChanged(*languages, [languages] { languages->setTitle(kavGet(2475)); });
    return languages;
}
