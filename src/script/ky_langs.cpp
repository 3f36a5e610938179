#include "ky_langs.h"

#include "ky_messages.h"
#include "ky_xml.h"

#include <rtl/kavExceptions.h>

#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <mutex>

using namespace Qt::StringLiterals;

// The resource initialiser lives in this static library; it must be called from the global
// namespace.
static void initGrammarResources()
{
    Q_INIT_RESOURCE(ky_grammars);
}

namespace {

struct Registry
{
    std::mutex lock;
    QList<QPair<QString, QString>> languages; // (name, grammar text), registration order
    QHash<QString, std::shared_ptr<const TkyGrammar>> cache; // by case-folded name
};

Registry &registry()
{
    static Registry r;
    return r;
}

QString foldName(const QString &name)
{
    return name.toCaseFolded();
}

[[noreturn]] void raiseNotFound(const QString &name)
{
    throw EkyError(kyMessage(u"SLangNotFound").replace(u"%s"_s, name));
}

[[noreturn]] void raiseInvalid()
{
    throw EkyError(kyMessage(u"SInvalidLanguage"));
}

// Element names of the rule language (everything else names a rule).
const QHash<QString, TkyRuleKind> &elementKinds()
{
    static const QHash<QString, TkyRuleKind> kinds{
        {u"char"_s, rkChar},
        {u"keyword"_s, rkKeyword},
        {u"ident"_s, rkIdent},
        {u"number"_s, rkNumber},
        {u"string"_s, rkString},
        {u"kvstring"_s, rkKVString},
        {u"eol"_s, rkEol},
        {u"sequence"_s, rkSequence},
        {u"switch"_s, rkSwitch},
        {u"optionalswitch"_s, rkOptionalSwitch},
        {u"loop"_s, rkLoop},
        {u"optionalloop"_s, rkOptionalLoop},
        {u"optional"_s, rkOptional},
    };
    return kinds;
}

struct BuiltinLanguage
{
    const char16_t *name;
    const char16_t *resource;
};

constexpr BuiltinLanguage builtinLanguages[] = {
    {u"PascalScript", u":/ky/grammars/pascal.xml"},
    {u"C++Script", u":/ky/grammars/cpp.xml"},
    {u"BasicScript", u":/ky/grammars/basic.xml"},
    {u"JScript", u":/ky/grammars/jscript.xml"},
};

} // namespace

// --- registry ---

void kyRegisterLanguage(const QString &name, const QString &grammarText)
{
    Registry &r = registry();
    std::lock_guard guard(r.lock);
    r.cache.remove(foldName(name));
    for (auto &entry : r.languages) {
        if (entry.first.compare(name, Qt::CaseInsensitive) == 0) {
            entry.second = grammarText;
            return;
        }
    }
    r.languages.append({name, grammarText});
}

QString kyGetLanguage(const QString &name)
{
    Registry &r = registry();
    std::lock_guard guard(r.lock);
    for (const auto &entry : std::as_const(r.languages))
        if (entry.first.compare(name, Qt::CaseInsensitive) == 0)
            return entry.second;
    raiseNotFound(name);
}

QStringList kyGetLanguageList()
{
    Registry &r = registry();
    std::lock_guard guard(r.lock);
    QStringList names;
    for (const auto &entry : std::as_const(r.languages))
        if (!entry.first.startsWith(u'@'))
            names << entry.first;
    return names;
}

QString kyLanguageOfFile(const QString &fileName)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == u"pas")
        return u"PascalScript"_s;
    if (suffix == u"cpp")
        return u"C++Script"_s;
    if (suffix == u"vb" || suffix == u"bas")
        return u"BasicScript"_s;
    if (suffix == u"js")
        return u"JScript"_s;
    return QString();
}

void kyRegisterBuiltinLanguages()
{
    initGrammarResources();
    for (const BuiltinLanguage &language : builtinLanguages) {
        const QString path = QString::fromUtf16(language.resource);
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            throw EkyError(u"Grammar resource \"%1\" is missing"_s.arg(path));
        kyRegisterLanguage(QString::fromUtf16(language.name), QString::fromUtf8(file.readAll()));
    }
}

std::shared_ptr<const TkyGrammar> kyGetGrammar(const QString &name)
{
    const QString key = foldName(name);
    {
        Registry &r = registry();
        std::lock_guard guard(r.lock);
        if (auto it = r.cache.constFind(key); it != r.cache.constEnd())
            return *it;
    }
    // Parse outside the lock; a concurrent registration simply wins the next look-up.
    auto grammar = std::make_shared<const TkyGrammar>(name, kyGetLanguage(name));
    Registry &r = registry();
    std::lock_guard guard(r.lock);
    r.cache.insert(key, grammar);
    return grammar;
}

// --- TkyGrammar ---

TkyGrammar::TkyGrammar(const QString &name, const QString &grammarText)
    : FName(name)
    , FDocument(std::make_unique<TkyXMLDocument>())
{
    FDocument->LoadFromText(grammarText);
    const TkyXMLItem *root = FDocument->Root();
    if (root->Name().compare(u"language"_s, Qt::CaseInsensitive) != 0)
        raiseInvalid();

    if (const int p = root->Find(u"parser"_s); p >= 0) {
        const TkyXMLItem *parser = root->Items(p);
        for (int i = 0; i < parser->Count(); ++i) {
            const TkyXMLItem *option = parser->Items(i);
            const QString optionName = option->Name().toLower();
            if (optionName == u"keywords") {
                for (int k = 0; k < option->Count(); ++k)
                    FKeywords << option->Items(k)->Name();
            } else if (optionName == u"errors") {
                FErrors = option;
            } else {
                FOptions.append({optionName, option->GetProp(u"text"_s)});
            }
        }
    }
    if (const int t = root->Find(u"types"_s); t >= 0)
        FTypes = root->Items(t);

    // Every root child is a rule definition; their indices equal their child indices, so
    // references resolve by the root's first child of that name.
    const int ruleCount = root->Count();
    FElements.resize(size_t(ruleCount));
    for (int i = 0; i < ruleCount; ++i) {
        const TkyXMLItem *rule = root->Items(i);
        FElements[size_t(i)].Kind = rkRule;
        FElements[size_t(i)].Name = rule->Name();
    }
    for (int i = 0; i < ruleCount; ++i)
        compileElement(*root->Items(i), true);
    resolveReferences();
    FProgramRule = root->Find(u"program"_s);
}

TkyGrammar::~TkyGrammar() = default;

QString TkyGrammar::ErrorText(const QString &key) const
{
    if (FErrors) {
        if (const int i = FErrors->Find(key); i >= 0)
            return FErrors->Items(i)->GetProp(u"text"_s);
    }
    // A key without a message still fails the compile; its name is better than no text.
    return key;
}

// Decodes one element and its subtree; rule definitions fill their preallocated slot.
int TkyGrammar::compileElement(const TkyXMLItem &item, bool isRule)
{
    int index;
    if (isRule) {
        index = FDocument->Root()->IndexOf(&item);
    } else {
        index = int(FElements.size());
        FElements.emplace_back();
        const QString lowered = item.Name().toLower();
        FElements.back().Kind = elementKinds().value(lowered, rkReference);
        FElements.back().Name = item.Name();
    }
    {
        TkyRuleElement &e = FElements[size_t(index)];
        const bool isLoop = e.Kind == rkLoop || e.Kind == rkOptionalLoop;
        e.HasText = item.PropExists(u"text"_s);
        e.Text = item.GetProp(u"text"_s).toLower();
        const QString skip = item.GetProp(u"skip"_s);
        e.NoSkip = e.Kind == rkChar && skip == u"0";
        e.LoopClears = isLoop && skip == u"1";
        e.Term = item.GetProp(u"term"_s) == u"1";
        e.Node = item.GetProp(u"node"_s);
        e.NodeIsUses = e.Node.compare(u"uses"_s, Qt::CaseInsensitive) == 0;
        e.NodeIsExpr = e.Node.compare(u"expr"_s, Qt::CaseInsensitive) == 0;
        e.Wraps = !e.Node.isEmpty() && !e.NodeIsUses;
        e.Add = item.GetProp(u"add"_s);
        e.HasAddText = item.PropExists(u"addtext"_s);
        e.AddText = item.GetProp(u"addtext"_s);
        e.HasErr = item.PropExists(u"err"_s);
        if (e.HasErr)
            e.ErrText = ErrorText(item.GetProp(u"err"_s));
    }
    std::vector<int> children;
    children.reserve(size_t(item.Count()));
    for (int i = 0; i < item.Count(); ++i)
        children.push_back(compileElement(*item.Items(i), false));
    FElements[size_t(index)].Children = std::move(children);
    return index;
}

void TkyGrammar::resolveReferences()
{
    const TkyXMLItem *root = FDocument->Root();
    QHash<QString, int> rules;
    for (int i = root->Count() - 1; i >= 0; --i) // backwards: the first of a name wins
        rules.insert(root->Items(i)->Name().toCaseFolded(), i);
    for (TkyRuleElement &e : FElements)
        if (e.Kind == rkReference)
            e.Target = rules.value(e.Name.toCaseFolded(), -1);
}
