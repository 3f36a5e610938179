#include "kavDesgnPictureEditor.h"

#include "kavDesgnDialogButtons.h"
#include "kavDesgnDialogPlace.h"

#include <persist/kavRes.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavFilePolicy.h>
#include <rtl/kavUIServices.h>

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <functional>

using namespace Qt::StringLiterals;

TkavPictureBox::TkavPictureBox(const TkavPicture &picture, QWidget *parent)
    : QWidget(parent)
    , FPicture(picture)
{
    setObjectName(u"Image"_s);
    setMinimumSize(96, 96);
}

void TkavPictureBox::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Base));
    if (FPicture.IsEmpty() || FPicture.Width() <= 0 || FPicture.Height() <= 0)
        return;
    QSizeF size(FPicture.Width(), FPicture.Height());
    if (size.width() > width() || size.height() > height())
        size.scale(QSizeF(width(), height()), Qt::KeepAspectRatio);
    const QRectF target(QPointF((width() - size.width()) / 2, (height() - size.height()) / 2), size);
    FPicture.Draw(p, target, clNone, false, true, false);
}

TkavPictureEditorForm::TkavPictureEditorForm(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(u"PictureEditorForm"_s);
    setWindowTitle(kavDialogText(u"4000"));
    const TkavImageList &images = kavResourceTable().GetMainButtonImages();
    auto *bar = new QHBoxLayout;
    auto tool = [&](const char *name, const char16_t *hint, int image, std::function<void()> run) {
        auto *b = new QToolButton(this);
        b->setObjectName(QString::fromLatin1(name));
        b->setIcon(QIcon(QPixmap::fromImage(images.value(image))));
        b->setText(kavDialogText(hint));
        b->setToolTip(kavDialogText(hint));
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        b->setAutoRaise(true);
        connect(b, &QToolButton::clicked, this, std::move(run));
        bar->addWidget(b);
    };
    tool("LoadB", u"4001", 1, [this] { LoadFromDialog(); });
    tool("CopyB", u"4002", 7, [this] { CopyToClipboard(); });
    tool("PasteB", u"4003", 8, [this] { PasteFromClipboard(); });
    tool("ClearB", u"4004", 81, [this] { ClearPicture(); });
    bar->addStretch();
    QDialogButtonBox *buttons = kavOkCancelButtons(*this);
    bar->addWidget(buttons);
    FImage = new TkavPictureBox(FPicture, this);
    FImage->setMinimumSize(320, 240);
    FStatusBar = new QStatusBar(this);
    FStatusBar->setObjectName(u"StatusBar"_s);
    FStatusBar->setSizeGripEnabled(false);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(FImage, 1);
    layout->addWidget(FStatusBar);
    kavDesignerDialog(*this, u"TkavPictureEditorForm"_s);
    resize(480, 380);
    changed();
}

TkavPictureEditorForm::~TkavPictureEditorForm() = default;

void TkavPictureEditorForm::load(const TkavPicture &picture)
{
    FPicture.Assign(picture);
    changed();
}

void TkavPictureEditorForm::changed()
{
    FStatusBar->showMessage(FPicture.IsEmpty()
                                ? kavDialogText(u"piEmpty")
                                : u"%1 x %2"_s.arg(FPicture.Width()).arg(FPicture.Height()));
    FImage->update();
}

// Read into a copy first: a file that is not a picture must not empty the one shown.
bool TkavPictureEditorForm::LoadFile(const QString &fileName)
{
    TkavPicture loaded;
    QString why = kavDialogText(u"erInvalidImg");
    try {
        kavCheckFileAccess(fileName, false);
        QFile file(fileName);
        if (!file.open(QIODevice::ReadOnly))
            why = file.errorString();
        else if (file.size() <= kavPictureMaxImageBytes && loaded.LoadFromBytes(file.readAll())) {
            FPicture.Assign(loaded);
            changed();
            return true;
        }
    } catch (const Exception &e) {
        why = e.Message();
    }
    kavUIServices().ErrorBox(u"%1: %2"_s.arg(QDir::toNativeSeparators(fileName), why));
    return false;
}

void TkavPictureEditorForm::LoadFromDialog()
{
    TkavFileDialogOptions options;
    options.Filter = kavDialogText(u"ftPictures") + u" (*.bmp *.jpg *.png *.ico *.wmf *.emf)|*.bmp;*.jpg;*.png;*.ico;*.wmf;*.emf|"_s
                     + kavDialogText(u"ftAllFiles") + u"|*.*"_s;
    QStringList names;
    if (kavUIServices().OpenFileDialog(options, names) && !names.isEmpty())
        LoadFile(names.first());
}

void TkavPictureEditorForm::CopyToClipboard() const
{
    if (!FPicture.Image().isNull())
        QApplication::clipboard()->setImage(FPicture.Image());
}

bool TkavPictureEditorForm::PasteFromClipboard()
{
    const QMimeData *mime = QApplication::clipboard()->mimeData();
    const QImage image = mime && mime->hasImage() ? qvariant_cast<QImage>(mime->imageData()) : QImage();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    TkavPicture pasted;
    if (image.isNull() || !buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG")
        || !pasted.LoadFromBytes(bytes)) {
        kavUIServices().ErrorBox(kavDialogText(u"erInvalidImg"));
        return false;
    }
    FPicture.Assign(pasted);
    changed();
    return true;
}

void TkavPictureEditorForm::ClearPicture()
{
    FPicture.Clear();
    changed();
}
