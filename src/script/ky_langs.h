#pragma once

// The language registry (name -> grammar text) and the parsed, immutable form of a grammar
// that the IL parser walks. Parsed grammars are cached per language; registering a
// language again drops its cached form.

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class TkyXMLDocument;
class TkyXMLItem;

// Adds a language or replaces the grammar of a registered one (names compare
// case-insensitively). Meant for start-up; a replacement invalidates the cached grammar.
void kyRegisterLanguage(const QString &name, const QString &grammarText);
// The grammar text of a language; EkyError "Language '<name>' not found" when unknown.
QString kyGetLanguage(const QString &name);
// Registered names in registration order, without the hidden ones (names beginning "@").
QStringList kyGetLanguageList();
// The built-in language a script file's extension names (.pas, .cpp, .vb or .bas, .js);
// empty when the extension says nothing.
QString kyLanguageOfFile(const QString &fileName);
// Registers "PascalScript", "C++Script", "BasicScript" and "JScript" from the grammars
// compiled into the library. Safe to call more than once.
void kyRegisterBuiltinLanguages();

// Kinds of grammar elements. A root child is always rkRule (a rule definition).
enum TkyRuleKind : quint8 {
    rkRule,
    rkChar,
    rkKeyword,
    rkIdent,
    rkNumber,
    rkString,
    rkKVString,
    rkEol,
    rkSequence,
    rkSwitch,
    rkOptionalSwitch,
    rkLoop,
    rkOptionalLoop,
    rkOptional,
    rkReference
};

// One grammar element with its attributes decoded once.
struct TkyRuleElement
{
    TkyRuleKind Kind = rkRule;
    QString Name;            // element name as written (rule name for rkRule / rkReference)
    bool HasText = false;    // token literal, or loop separator
    QString Text;            // lower-cased
    bool NoSkip = false;     // char skip="0": no white space skipped before the character
    bool LoopClears = false; // loop skip="1": a completed loop clears a recorded error
    bool Term = false;       // term="1"
    QString Node;            // IL element wrapping what this element produced
    bool Wraps = false;      // Node is set and is not `uses`
    bool NodeIsUses = false; // Node `uses`: the unit names produced are loaded as units
    bool NodeIsExpr = false; // Node `expr`: the start tag also gets pos1
    QString Add;             // leaf IL element emitted after the token
    bool HasAddText = false;
    QString AddText;
    bool HasErr = false;
    QString ErrText;           // the message of the err key (the key itself when it has none)
    int Target = -1;           // rkReference: index of the rule definition, -1 when none exists
    std::vector<int> Children; // indices into TkyGrammar::Elements, in document order
};

// A parsed grammar: tokenizer options, keywords, the rule elements and the type aliases.
class TkyGrammar
{
public:
    // Parses grammar text; EkyError "Invalid language definition" when it has no
    // `language` root.
    TkyGrammar(const QString &name, const QString &grammarText);
    ~TkyGrammar();
    TkyGrammar(const TkyGrammar &) = delete;
    TkyGrammar &operator=(const TkyGrammar &) = delete;

    const QString &Name() const { return FName; }
    // The grammar document as loaded (the code editor reads options and keywords here).
    const TkyXMLDocument &Document() const { return *FDocument; }
    // The `types` element, or null when the grammar has none.
    const TkyXMLItem *Types() const { return FTypes; }
    // `parser` children as (lower-cased option name, text value), in document order.
    const QList<QPair<QString, QString>> &Options() const { return FOptions; }
    const QStringList &Keywords() const { return FKeywords; }
    const std::vector<TkyRuleElement> &Elements() const { return FElements; }
    // Index of the `program` rule, -1 when the grammar has none.
    int ProgramRule() const { return FProgramRule; }
    // The message of an err key (for example "err3"), the key itself when it has none.
    QString ErrorText(const QString &key) const;

private:
    int compileElement(const TkyXMLItem &item, bool isRule);
    void resolveReferences();

    QString FName;
    std::unique_ptr<TkyXMLDocument> FDocument;
    const TkyXMLItem *FTypes = nullptr;
    const TkyXMLItem *FErrors = nullptr;
    QList<QPair<QString, QString>> FOptions;
    QStringList FKeywords;
    std::vector<TkyRuleElement> FElements;
    int FProgramRule = -1;
};

// The parsed grammar of a language, from the cache or parsed now (errors as kyGetLanguage).
std::shared_ptr<const TkyGrammar> kyGetGrammar(const QString &name);
