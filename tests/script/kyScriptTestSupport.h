#pragma once

// Helpers shared by the script suites: compile a text in a language and return its IL as
// indented text, or the compile error in one line.

#include "../kavTestSupport.h"

#include <script/ky_ilparser.h>
#include <script/ky_langs.h>
#include <script/ky_script.h>
#include <script/ky_library.h>
#include <script/ky_xml.h>

#include <rtl/kavExceptions.h>
#include <rtl/kavRTTI.h>
#include <rtl/kavUIServices.h>

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>

#include <initializer_list>
#include <mutex>

// Registers the built-in languages once per process.
inline void kyEnsureBuiltinLanguages()
{
    static std::once_flag once;
    std::call_once(once, [] { kyRegisterBuiltinLanguages(); });
}

// The IL document as text: one element per line, two spaces per depth, "\n" line ends, no
// XML header line.
inline QString kyILDocumentText(TkyXMLDocument &doc)
{
    doc.SetAutoIndent(true);
    QString text = doc.SaveToText();
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const qsizetype headerEnd = text.indexOf(u'\n');
    if (text.startsWith(QStringLiteral("<?xml")) && headerEnd >= 0)
        text.remove(0, headerEnd + 1);
    return text;
}

// Compiles source (its lines joined with CR LF, as a script's Lines give them) in language
// and returns the IL text, or "error at L:C: message" (plus " in unit NAME" when the error
// is inside a unit). A program rule that matched nothing and reported nothing gives the
// empty program's IL. script, when given, supplies the include path and unit handler.
inline QString kyILText(const QString &language, const QString &source, TkyScript *script = nullptr)
{
    kyEnsureBuiltinLanguages();
    TkyScript local;
    TkyScript &program = script ? *script : local;
    TkyILParser parser(&program);
    parser.SelectLanguage(language);
    if (!parser.MakeILScript(kyScriptLinesText(source)) && !program.ErrorMsg().isEmpty()) {
        QString result
            = QStringLiteral("error at %1: %2").arg(program.ErrorPos(), program.ErrorMsg());
        if (!program.ErrorUnit().isEmpty())
            result += QStringLiteral(" in unit ") + program.ErrorUnit();
        return result;
    }
    return kyILDocumentText(parser.ILScript());
}

// For its lifetime, what scripts show (ShowMessage and the other messages of the UI
// services) is collected in lines instead of being echoed.
class KyShownMessages
{
public:
    KyShownMessages()
    {
        auto services = std::make_unique<TkavHeadlessUIServices>();
        services->SetEchoToStandardError(false);
        services->SetMessageSink([this](TMsgDlgType, const QString &text) { lines << text; });
        FPrevious = kavSetUIServices(std::move(services));
    }
    ~KyShownMessages() { kavSetUIServices(std::move(FPrevious)); }
    KyShownMessages(const KyShownMessages &) = delete;
    KyShownMessages &operator=(const KyShownMessages &) = delete;

    QStringList lines;

private:
    std::unique_ptr<TkavUIServices> FPrevious;
};

// A script with the built-in languages and the library registered.
inline void kyPrepareLibraryScript(TkyScript &script)
{
    kyEnsureBuiltinLanguages();
    kyRegisterStandardLibrary();
    script.AddRTTI();
}

// Compiles source in language into script and runs it. The lines shown (shown, which the
// caller's message capture fills), then "runtime error: MESSAGE" when the run failed, are
// joined by separator; a compile failure gives "compile error at POS: MESSAGE" instead.
inline QString kyRunOutcome(TkyScript &script,
                            QStringList &shown,
                            const QString &language,
                            const QString &source,
                            QChar separator = u' ')
{
    script.SetSyntaxType(language);
    script.Lines().SetText(kyScriptLinesText(source));
    if (!script.Compile())
        return QStringLiteral("compile error at %1: %2").arg(script.ErrorPos(), script.ErrorMsg());
    try {
        script.Execute();
    } catch (const Exception &e) {
        shown << QStringLiteral("runtime error: ") + e.Message();
    }
    return shown.join(separator);
}

// One script of a table: its name, its source and the outcome kyRunOutcome should give.
struct KyScriptCase
{
    const char *name;
    const char16_t *source;
    const char *expected;
};

// A library class and the ancestor name it is registered under.
struct KyClassAncestor
{
    const char16_t *name;
    const char16_t *ancestor;
};

// Every class of the table is registered in script under its name and ancestor, for a
// native class of that name.
inline void kyExpectAncestors(const TkyScript &script, std::initializer_list<KyClassAncestor> classes)
{
    for (const KyClassAncestor &c : classes) {
        const QString name = QString::fromUtf16(c.name);
        const TkyClassVariable *cls = script.FindClass(name);
        ASSERT_NE(cls, nullptr) << name.toStdString();
        EXPECT_EQ(cls->Ancestor(), QString::fromUtf16(c.ancestor)) << name.toStdString();
        EXPECT_EQ(cls->ClassRef()->ClassName(), name);
    }
}
