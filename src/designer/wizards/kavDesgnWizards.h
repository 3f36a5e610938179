#pragma once

// The designer's wizards: each makes a new report (or adds to one) when the New Item dialog
// runs it. The registry lists them in registration order with their images.

#include <QImage>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class DesignerDocument;
class QWidget;
class TkavReport;

class TkavCustomWizard
{
public:
    // The designer whose report the wizard works on; window parents its dialogs.
    TkavCustomWizard(DesignerDocument &Designer, QWidget *Window);
    virtual ~TkavCustomWizard() = default;
    TkavCustomWizard(const TkavCustomWizard &) = delete;
    TkavCustomWizard &operator=(const TkavCustomWizard &) = delete;

    // True when the report was changed.
    virtual bool Execute() = 0;
    // Whether the wizard replaces the report (so a modified one is saved first).
    virtual bool ReplacesReport() const { return true; }

protected:
    DesignerDocument &FDesigner;
    TkavReport &FReport;
    QWidget *FWindow;
};

// An empty standard report: a data page and one page with the designer's defaults.
class TkavStdEmptyWizard : public TkavCustomWizard
{
public:
    using TkavCustomWizard::TkavCustomWizard;
    static QString ClassName() { return QStringLiteral("TkavStdEmptyWizard"); }
    static QString GetDescription();
    bool Execute() override;
};

// An empty dot-matrix report.
class TkavDMPEmptyWizard : public TkavCustomWizard
{
public:
    using TkavCustomWizard::TkavCustomWizard;
    static QString ClassName() { return QStringLiteral("TkavDMPEmptyWizard"); }
    static QString GetDescription();
    bool Execute() override;
};

// The report wizard: data, fields, groups, layout and style, then a complete report.
class TkavStdWizard : public TkavCustomWizard
{
public:
    using TkavCustomWizard::TkavCustomWizard;
    static QString ClassName() { return QStringLiteral("TkavStdWizard"); }
    static QString GetDescription();
    bool Execute() override;

protected:
    virtual bool DotMatrix() const { return false; }
};

// The report wizard making a dot-matrix report (no style step).
class TkavDotMatrixWizard : public TkavStdWizard
{
public:
    using TkavStdWizard::TkavStdWizard;
    static QString ClassName() { return QStringLiteral("TkavDotMatrixWizard"); }
    static QString GetDescription();

protected:
    bool DotMatrix() const override { return true; }
};

// Adds a query over one table of a database to the report's data page (and to its data
// set list, where the report wizard picks it up).
class TkavDBTableWizard : public TkavCustomWizard
{
public:
    using TkavCustomWizard::TkavCustomWizard;
    static QString ClassName() { return QStringLiteral("TkavDBTableWizard"); }
    static QString GetDescription();
    bool Execute() override;
    bool ReplacesReport() const override { return false; }
};

using TkavWizardFactory = std::function<std::unique_ptr<TkavCustomWizard>(DesignerDocument &, QWidget *)>;

struct TkavWizardItem
{
    QString ClassRef;
    QImage ButtonBmp;         // an image of its own, appended to the wizard images when shown
    int ButtonImageIndex = -1; // into the wizard images
    bool IsToolbarWizard = false;
    std::function<QString()> Description;
    TkavWizardFactory Create;
};

class TkavWizardCollection
{
public:
    // Both ignore a class already registered.
    template <class W>
    void Register(const QImage &ButtonBmp, bool IsToolbarWizard = false)
    {
        add<W>(ButtonBmp, -1, IsToolbarWizard);
    }
    template <class W>
    void Register1(int ImageIndex)
    {
        add<W>(QImage(), ImageIndex, false);
    }
    void Unregister(const QString &ClassRef);

    int Count() const { return int(FItems.size()); }
    TkavWizardItem &Items(int Index) { return FItems.at(Index); }
    // The item of a class, or null.
    const TkavWizardItem *Find(const QString &ClassRef) const;

private:
    template <class W>
    void add(const QImage &bmp, int index, bool toolbar)
    {
        if (Find(W::ClassName()))
            return;
        FItems.push_back({W::ClassName(), bmp, index, toolbar, &W::GetDescription,
                          [](DesignerDocument &d, QWidget *w) { return std::unique_ptr<TkavCustomWizard>(std::make_unique<W>(d, w)); }});
    }

    std::vector<TkavWizardItem> FItems;
};

TkavWizardCollection &kavWizardRegistry();

// Registers the built-in wizards (once).
void kavRegisterWizards();

// Runs the registered wizard of ClassRef; true when it changed the report (which is then
// marked modified). A wizard replacing a modified report asks to save it first.
bool kavRunWizard(DesignerDocument &Designer, QWidget *Window, const QString &ClassRef);
