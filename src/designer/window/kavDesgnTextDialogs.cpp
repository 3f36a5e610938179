#include "kavDesgnTextDialogs.h"

#include <designer/dialogs/kavDesgnBandEditors.h>
#include <designer/dialogs/kavDesgnFillEditor.h>
#include <designer/dialogs/kavDesgnFormatEditor.h>
#include <designer/dialogs/kavDesgnFrameEditor.h>
#include <designer/dialogs/kavDesgnHighlightEditor.h>
#include <designer/dialogs/kavDesgnHyperlinkEditor.h>
#include <designer/dialogs/kavDesgnMemoEditor.h>
#include <designer/dialogs/kavDesgnPageOptions.h>
#include <designer/dialogs/kavDesgnPictureEditor.h>
#include <designer/dialogs/kavDesgnSQLEditor.h>
#include <designer/dialogs/kavDesgnSysMemoEditor.h>
#include <persist/kavRes.h>
#include <report/kavViews.h>
#include <rtl/kavStrings.h>

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// A modal text box with OK and Cancel (Ctrl+Enter confirms); true with the edited text.
bool editText(const QString &caption, QString &text, bool fixedPitch)
{
    QDialog dialog(QApplication::activeWindow());
    dialog.setObjectName(u"TextEditorForm"_s);
    dialog.setWindowTitle(caption);
    auto *edit = new QPlainTextEdit(&dialog);
    edit->setObjectName(u"TextE"_s);
    if (fixedPitch)
        edit->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    edit->setPlainText(text);
    edit->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return), &dialog, [&dialog] { dialog.accept(); });
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(edit);
    layout->addWidget(buttons);
    dialog.resize(520, 340);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    text = edit->toPlainText();
    return true;
}

} // namespace

bool TkavTextDesignerDialogs::EditLines(TStrings &lines)
{
    QString text = lines.Text();
    if (text.endsWith(u'\n'))
        text.chop(1);
    if (!editText(kavResourceTable().Get(u"2905"_s).remove(u"..."_s), text, true))
        return false;
    lines.SetText(text);
    return true;
}

bool TkavTextDesignerDialogs::EditSQL(TStrings &sql)
{
    return kavEditSQL(sql);
}

bool TkavTextDesignerDialogs::EditPageOptions(TkavReportPage &page, TkavDesignerUnits units)
{
    return kavEditPageOptions(page, units);
}

// --- memo dialogs --------------------------------------------------------------------------

bool TkavTextDesignerDialogs::EditMemo(TkavCustomMemoView &memo, QString &text)
{
    return kavEditMemo(memo, text);
}

bool TkavTextDesignerDialogs::EditSysMemo(TkavCustomMemoView &memo, QString &text)
{
    return kavEditSysMemo(memo, text);
}

bool TkavTextDesignerDialogs::EditDisplayFormat(TkavCustomMemoView &memo)
{
    return kavEditDisplayFormat(memo);
}

bool TkavTextDesignerDialogs::EditHighlights(TkavCustomMemoView &memo)
{
    return kavEditHighlights(memo);
}

// -------------------------------------------------------------------------------------------

// --- frame, fill, picture and hyperlink editors -------------------------------------------

bool TkavTextDesignerDialogs::EditFrame(TkavFrame &frame)
{
    TkavFrameEditorForm dialog(QApplication::activeWindow());
    dialog.load(frame);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    dialog.apply(frame);
    return true;
}

bool TkavTextDesignerDialogs::EditFill(std::unique_ptr<TkavCustomFill> &fill, bool brushOnly)
{
    TkavFillEditorForm dialog(QApplication::activeWindow());
    dialog.SetIsSimpleFill(brushOnly);
    if (fill)
        dialog.load(*fill);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    dialog.apply(fill);
    return true;
}

bool TkavTextDesignerDialogs::EditPicture(TkavPicture &picture)
{
    TkavPictureEditorForm dialog(QApplication::activeWindow());
    dialog.load(picture);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    dialog.apply(picture);
    return true;
}

bool TkavTextDesignerDialogs::EditHyperlink(TkavView &view)
{
    TkavHyperlinkEditorForm dialog(view, QApplication::activeWindow());
    if (dialog.exec() != QDialog::Accepted)
        return false;
    dialog.apply(view);
    return true;
}

// --- the group and data band dialogs ------------------------------------------------------

bool TkavTextDesignerDialogs::EditGroup(TkavGroupHeader &band)
{
    return kavEditGroup(band);
}

bool TkavTextDesignerDialogs::EditDataBand(TkavDataBand &band)
{
    return kavEditDataBand(band);
}

void kavInstallTextDesignerDialogs()
{
    kavSetDesignerDialogs(std::make_unique<TkavTextDesignerDialogs>());
}
