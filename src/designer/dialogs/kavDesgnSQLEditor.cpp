#include "kavDesgnSQLEditor.h"

#include "kavDesgnDialogButtons.h"
#include "kavDesgnDialogPlace.h"

#include <designer/code/kavDesgnSyntaxMemo.h>
#include <persist/kavRes.h>
#include <rtl/kavStrings.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

TkavSQLEditorForm::TkavSQLEditorForm(QWidget *parent)
    : QDialog(parent)
    , FMemo(new TkavSyntaxMemo(this))
{
    setObjectName(u"TkavSQLEditorForm"_s);
    setWindowTitle(kavResourceTable().Get(u"dsSQLEditor"_s));
    kavDesignerDialog(*this, u"TkavSQLEditorForm"_s);
    FMemo->setObjectName(u"SQLMemo"_s);
    FMemo->SetSyntax(u"SQL"_s);
    FMemo->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    QDialogButtonBox *buttons = kavOkCancelButtons(*this);
    // Enter belongs to the text; Ctrl+Enter confirms.
    new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return), this, [this] { accept(); });
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(FMemo);
    layout->addWidget(buttons);
    resize(600, 380);
}

void TkavSQLEditorForm::load(const TStrings &sql)
{
    QStringList lines;
    for (int i = 0; i < sql.Count(); ++i)
        lines << sql.Strings(i);
    FMemo->LoadText(lines.join(u'\n'));
}

void TkavSQLEditorForm::apply(TStrings &sql) const
{
    sql.SetText(FMemo->Text());
}

bool kavEditSQL(TStrings &sql)
{
    TkavSQLEditorForm dialog(QApplication::activeWindow());
    dialog.load(sql);
    if (dialog.exec() != QDialog::Accepted || !dialog.validate())
        return false;
    dialog.apply(sql);
    return true;
}
