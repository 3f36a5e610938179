#include "kavDesgnMemoEditor.h"

#include "kavDesgnDialogButtons.h"
#include "kavDesgnDialogPlace.h"
#include "kavDesgnFormatEditor.h"
#include "kavDesgnHighlightEditor.h"
#include "kavDesgnSysMemoEditor.h"

#include <designer/trees/kavDesgnExprEditor.h>
#include <persist/kavRes.h>
#include <report/kavDMP.h>
#include <report/kavReport.h>
#include <report/kavViews.h>
#include <rtl/kavSettings.h>
#include <rtl/kavStrings.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {

const QString formSection = u"Form5.TkavMemoEditorForm"_s;

// An expression typed as one data field in angle brackets loses them: the memo's
// delimiters take their place.
QString withoutAngleBrackets(const QString &expression)
{
    if (expression.startsWith(u'<') && expression.endsWith(u'>') && expression.count(u'<') == 1)
        return expression.mid(1, expression.size() - 2);
    return expression;
}

} // namespace

TkavMemoEditorForm::TkavMemoEditorForm(const TkavDesignerOptions &options, QWidget *parent)
    : QDialog(parent)
    , FOptions(options)
{
    setObjectName(u"MemoEditorForm"_s);
    setWindowTitle(kavDialogText("3900"));
    FPageControl = new QTabWidget;
    FPageControl->setObjectName(u"PageControl"_s);

    auto *textPage = new QWidget;
    textPage->setObjectName(u"TextTS"_s);
    FExprB = toolButton("ExprB", "3901");
    FAggregateB = toolButton("AggregateB", "3902");
    FWordWrapB = toolButton("WordWrapB", "3904");
    FWordWrapB->setCheckable(true);
    FMemo = new QPlainTextEdit;
    FMemo->setObjectName(u"MemoE"_s);
    FMemo->installEventFilter(this);
    auto *bar = new QHBoxLayout;
    for (QToolButton *b : {FExprB, FAggregateB, FWordWrapB})
        bar->addWidget(b);
    bar->addStretch();
    auto *textLayout = new QVBoxLayout(textPage);
    textLayout->addLayout(bar);
    textLayout->addWidget(FMemo);
    FPageControl->addTab(textPage, kavDialogText("3905"));

    FFormatEditor = new TkavFormatEditorForm(nullptr, true);
    FFormatEditor->setObjectName(u"FormatTS"_s);
    FPageControl->addTab(FFormatEditor, kavDialogText("3906"));
    FHighlightEditor = new TkavHighlightEditorForm(nullptr, true);
    FHighlightEditor->setObjectName(u"HighlightTS"_s);
    FPageControl->addTab(FHighlightEditor, kavDialogText("3907"));

    QDialogButtonBox *buttons = kavOkCancelButtons(*this);
    // Enter belongs to the text: only Ctrl+Enter confirms.
    for (QAbstractButton *b : buttons->buttons())
        if (auto *push = qobject_cast<QPushButton *>(b))
            push->setAutoDefault(false);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(FPageControl);
    layout->addWidget(buttons);
    resize(560, 380);
    kavDesignerDialog(*this, u"TkavMemoEditorForm"_s);

    connect(FExprB, &QToolButton::clicked, this, [this] { InsertExpression(); });
    connect(FAggregateB, &QToolButton::clicked, this, [this] { InsertAggregate(); });
    connect(FWordWrapB, &QToolButton::toggled, this, [this](bool on) { setWordWrap(on); });
    connect(FPageControl, &QTabWidget::currentChanged, this, [this](int index) {
        if (FPageControl->widget(index) == FFormatEditor)
            FFormatEditor->SetMemoText(Text());
    });
    setWordWrap(false);
}

TkavMemoEditorForm::~TkavMemoEditorForm() = default;

QToolButton *TkavMemoEditorForm::toolButton(const char *name, const char *hintKey)
{
    auto *b = new QToolButton;
    b->setObjectName(QString::fromLatin1(name));
    b->setText(kavDialogText(hintKey));
    b->setToolTip(kavDialogText(hintKey));
    b->setFocusPolicy(Qt::TabFocus);
    return b;
}

void TkavMemoEditorForm::load(const TkavCustomMemoView &memo)
{
    FMemoView = &memo;
    FReport = memo.Report();
    std::tie(FOpen, FClose) = kavMemoDelimiters(memo);
    QFont font;
    if (FOptions.UseObjectFont) {
        font.setFamily(memo.Font().Name());
        font.setPixelSize(std::max(std::abs(memo.Font().Height()), 1));
    } else {
        font.setFamily(FOptions.MemoFontName);
        font.setPointSize(std::max(FOptions.MemoFontSize, 1));
    }
    FMemo->setFont(font);
    QPalette palette = FMemo->palette();
    if (FOptions.UseObjectFont)
        palette.setColor(QPalette::Text, Qt::black);
    FMemo->setPalette(palette);
    FMemo->setPlainText(memo.Lines().ToStringList().join(u'\n'));
    FMemo->moveCursor(QTextCursor::Start);
    FExprB->setEnabled(FReport != nullptr);
    FAggregateB->setEnabled(FReport != nullptr);
    FFormatEditor->load(memo);
    // Dot-matrix memos have no highlights.
    FHasHighlights = !dynamic_cast<const TkavDMPMemoView *>(&memo);
    FPageControl->setTabVisible(FPageControl->indexOf(FHighlightEditor), FHasHighlights);
    if (FHasHighlights)
        FHighlightEditor->load(memo);
    FPageControl->setCurrentIndex(0);
    FMemo->setFocus();
}

QString TkavMemoEditorForm::Text() const
{
    return FMemo->toPlainText();
}

void TkavMemoEditorForm::apply(TkavCustomMemoView &memo)
{
    // One memo line per editor line, so a trailing empty line is kept.
    TStringList lines;
    if (!Text().isEmpty())
        for (const QString &line : Text().split(u'\n'))
            lines.Add(line);
    memo.Lines().Assign(lines);
    // The pairs follow the text as it is now, not as the Format tab last saw it.
    FFormatEditor->SetMemoText(Text());
    FFormatEditor->apply(memo);
    if (FHasHighlights)
        FHighlightEditor->apply(memo);
}

void TkavMemoEditorForm::InsertExpression()
{
    if (!FReport)
        return;
    const QString expression = TkavExprEditorForm::InsertExpression(*FReport, QString(), this);
    if (expression.isEmpty())
        return;
    FMemo->insertPlainText(FOpen + withoutAngleBrackets(expression) + FClose);
    FMemo->setFocus();
}

void TkavMemoEditorForm::InsertAggregate()
{
    if (!FReport || !FMemoView)
        return;
    TkavSysMemoEditorForm dialog(*FReport, true, this);
    dialog.load(*FMemoView);
    if (dialog.exec() != QDialog::Accepted)
        return;
    FMemo->insertPlainText(dialog.ResultText());
    FMemo->setFocus();
}

void TkavMemoEditorForm::setWordWrap(bool on)
{
    FMemo->setLineWrapMode(on ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    FMemo->setHorizontalScrollBarPolicy(on ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
    if (FWordWrapB->isChecked() != on)
        FWordWrapB->setChecked(on);
}

bool TkavMemoEditorForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == FMemo && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            && key->modifiers().testFlag(Qt::ControlModifier)) {
            accept();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TkavMemoEditorForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!FReport)
        return;
    const std::unique_ptr<TkavIniFile> ini = FReport->GetIniFile();
    ini->WriteBool(formSection, u"Visible"_s, true);
    setWordWrap(ini->ReadBool(formSection, u"WordWrap"_s, false));
}

void TkavMemoEditorForm::hideEvent(QHideEvent *event)
{
    if (FReport) {
        const std::unique_ptr<TkavIniFile> ini = FReport->GetIniFile();
        ini->WriteBool(formSection, u"WordWrap"_s, FWordWrapB->isChecked());
        ini->UpdateFile();
    }
    QDialog::hideEvent(event);
}

bool kavEditMemo(TkavCustomMemoView &memo, QString &text, QWidget *parent)
{
    TkavDesignerOptions options;
    if (TkavReport *report = memo.Report())
        options.Restore(*report->GetIniFile());
    TkavMemoEditorForm dialog(options, parent ? parent : QApplication::activeWindow());
    dialog.load(memo);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    dialog.apply(memo);
    text = memo.Text();
    return true;
}
