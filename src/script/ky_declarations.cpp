// Declaration strings -> items with parameters. A bad declaration is a host programming
// error, so every malformation raises instead of registering a half-parsed method.
#include "ky_declarations.h"

#include "ky_expressions.h"
#include "ky_iparser.h"
#include "ky_script.h"

#include <rtl/kavExceptions.h>

#include <QStringList>


using namespace Qt::StringLiterals;

namespace {

// Reads one declaration with the script engine's tokenizer.
class DeclarationReader
{
public:
    DeclarationReader(const QString &text, const TkyScript *script)
        : FText(text), FScript(script)
    {
        if (script && script->ExtendedCharset()) {
            TkyIdentifierCharset charset = FParser.IdentifierCharset();
            for (int c = 128; c <= 255; ++c)
                charset.set(size_t(c));
            FParser.SetIdentifierCharset(charset);
        }
        FParser.SetText(text);
    }

    std::unique_ptr<TkyCustomVariable> read();

private:
    [[noreturn]] void fail(const QString &reason) const
    {
        throw EkyError(u"Invalid declaration \""_s + FText + u"\": "_s + reason);
    }
    bool atEnd()
    {
        FParser.SkipSpaces();
        return FParser.Position() > FParser.Size();
    }
    QString resultType(int headerEnd);
    void readParams();
    bool readGroup();
    Variant readDefault();
    Variant numberValue(const QString &number, bool negative) const;

    const QString &FText;
    const TkyScript *FScript;
    TkyParser FParser;
    std::unique_ptr<TkyCustomVariable> FItem;
};

// decl -> ['macro']word name ['(' params ')'] [':' type] [anything]
std::unique_ptr<TkyCustomVariable> DeclarationReader::read()
{
    QString word = FParser.GetIdent();
    if (word.isEmpty())
        fail(u"the declaration is empty"_s);
    const bool isMacro = word.startsWith(u"macro"_s, Qt::CaseInsensitive);
    if (isMacro)
        word.remove(0, 5);
    const bool isFunction = word.compare(u"function"_s, Qt::CaseInsensitive) == 0;

    const QString name = FParser.GetIdent();
    if (name.isEmpty())
        fail(u"a name is expected after \""_s + word + u'"');

    FItem = std::make_unique<TkyCustomVariable>(name, fvtVariant, QString());
    FItem->SetIsMacro(isMacro);

    FParser.SkipSpaces();
    int headerEnd = FParser.Position();
    if (FParser.GetChar() == u"(") {
        readParams();
        headerEnd = FParser.Position();
    }
    const QString typeName = isFunction ? resultType(headerEnd) : QString();
    FItem->SetTypeName(typeName);
    FItem->SetTyp(StrToVarType(typeName, FScript));
    return std::move(FItem);
}

// A function's result type: the identifier after the last ':' of the text, which must lie
// after the parameter list (else it would be a parameter's type).
QString DeclarationReader::resultType(int headerEnd)
{
    const qsizetype colon = FText.lastIndexOf(u':');
    if (colon < 0 || int(colon) + 1 < headerEnd)
        fail(u"the function has no result type"_s);
    FParser.SetPosition(int(colon) + 2);
    const QString typeName = FParser.GetIdent();
    if (typeName.isEmpty())
        fail(u"a result type is expected after ':'"_s);
    return typeName;
}

// params -> [group {';' group}] ')'
void DeclarationReader::readParams()
{
    while (readGroup()) {
        const bool end = atEnd();
        const QString c = FParser.GetChar();
        if (c == u")")
            return;
        if (c != u";")
            fail(end ? u"the parameter list is not closed"_s
                     : u"';' or ')' is expected after a parameter group"_s);
    }
}

// group -> {'var' | 'const'} name {[','] name} ':' type ['=' default]
// Returns false when the group closed the whole list with ')'.
bool DeclarationReader::readGroup()
{
    QStringList names;
    bool byRef = false;
    for (;;) {
        const QString word = FParser.GetIdent();
        if (word.compare(u"var"_s, Qt::CaseInsensitive) == 0)
            byRef = true;
        else if (word.compare(u"const"_s, Qt::CaseInsensitive) != 0 && !word.isEmpty())
            names.append(word);
        const bool end = atEnd();
        const QString c = FParser.GetChar();
        if (c.isEmpty() && !word.isEmpty())
            continue;
        if (c == u"," && !word.isEmpty())
            continue;
        if (c == u")") {
            if (!names.isEmpty() || byRef || !word.isEmpty())
                fail(u"a parameter group has no type"_s);
            return false;
        }
        if (c == u":" && !word.isEmpty() && !names.isEmpty())
            break;
        if (end)
            fail(u"the parameter list is not closed"_s);
        fail(u"a parameter name is expected"_s);
    }

    const QString typeName = FParser.GetIdent();
    if (typeName.isEmpty())
        fail(u"a parameter group has no type"_s);
    const TkyVarType kind = StrToVarType(typeName, FScript);
    FParser.SkipSpaces();
    Variant defValue = Variant::Null();
    if (FParser.Text().mid(FParser.Position() - 1, 1) == u"=") {
        FParser.GetChar();
        defValue = readDefault();
    }

    // Only the group's last name carries the default.
    for (qsizetype i = 0; i < names.size(); ++i) {
        const bool last = i == names.size() - 1;
        const bool optional = last && !defValue.IsNull();
        auto param = std::make_unique<TkyParamItem>(names[i], kind, typeName, optional, byRef);
        if (last)
            param->SetDefValue(defValue);
        FItem->Add(std::move(param));
    }
    return true;
}

// default -> number | string | '-' number | identifier
Variant DeclarationReader::readDefault()
{
    const QString number = FParser.GetNumber();
    if (!number.isEmpty())
        return numberValue(number, false);
    const QString quoted = FParser.GetString();
    if (!quoted.isEmpty())
        return Variant(quoted.mid(1, quoted.size() - 2)); // between the quotes
    FParser.SkipSpaces();
    if (FParser.Text().mid(FParser.Position() - 1, 1) == u"-") {
        FParser.GetChar();
        const QString negated = FParser.GetNumber();
        if (negated.isEmpty())
            fail(u"a number is expected after '-' in a default value"_s);
        return numberValue(negated, true);
    }
    const QString ident = FParser.GetIdent();
    if (ident.isEmpty())
        fail(u"a default value is expected after '='"_s);
    TkyCustomVariable *item = FScript ? FScript->Find(ident) : nullptr;
    return item ? item->GetValue() : Variant::Null();
}

Variant DeclarationReader::numberValue(const QString &number, bool negative) const
{
    if (std::optional<Variant> value = kyNumberLiteral(number, negative))
        return *value;
    fail(u"the number "_s + (negative ? u"-"_s : QString()) + number + u" is out of range"_s);
}

} // namespace

std::unique_ptr<TkyCustomVariable> kyParseDeclaration(const QString &text, const TkyScript *script)
{
    return DeclarationReader(text, script).read();
}
