#include "ky_expressions.h"

#include "ky_designators.h"
#include "ky_script.h"

#include <rtl/kavCaseFold.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavRTTI.h>

#include <QLocale>

#include <limits>


using namespace Qt::StringLiterals;

namespace {

bool isIntegral(TkyVarType t)
{
    return t == fvtInt || t == fvtInt64;
}

bool isComparison(TkyOperatorType op)
{
    return op >= opGreat && op <= opEq;
}

bool isText(TkyVarType t)
{
    return t == fvtString || t == fvtChar;
}

bool isObjectOrArray(TkyVarType t)
{
    return t == fvtClass || t == fvtArray;
}

// The class a type name stands for: a descriptor of the script, else the registry.
const TkavClassInfo *classOf(const QString &typeName, const TkyScript *script)
{
    if (script)
            if (const TkyClassVariable *c = script->FindClass(typeName))
                return c->ClassRef();
    return kavFindClass(typeName);
}

// Operators: the node classes, one per operator. Both sides are evaluated left first.

// Two Integers: the common case of loops and conditions, without the general rules.
bool bothIntegers(const Variant &a, const Variant &b)
{
    return a.Type() == varInteger && b.Type() == varInteger;
}

template <TkavVarCompareOp cmp>
bool compareIntegers(qint32 a, qint32 b)
{
    switch (cmp) {
    case vcEqual: return a == b;
    case vcNotEqual: return a != b;
    case vcLess: return a < b;
    case vcLessEqual: return a <= b;
    case vcGreater: return a > b;
    case vcGreaterEqual: return a >= b;
    }
    return false;
}

template <TkavVarCompareOp cmp>
class TCompareNode : public TkyOperatorNode
{
public:
    explicit TCompareNode(TkyOperatorType op) : TkyOperatorNode(op) {}
    Variant GetValue() override
    {
        const Variant a = Left()->GetValue();
        const Variant b = Right()->GetValue();
        if (bothIntegers(a, b))
            return compareIntegers<cmp>(a.IntegerValue(), b.IntegerValue());
        return VarCompare(a, b, cmp);
    }
};
using TGreatNode = TCompareNode<vcGreater>;
using TLessNode = TCompareNode<vcLess>;
using TLessEqNode = TCompareNode<vcLessEqual>;
using TGreatEqNode = TCompareNode<vcGreaterEqual>;
using TNonEqNode = TCompareNode<vcNotEqual>;
using TEqNode = TCompareNode<vcEqual>;

template <TkavVarOp vop>
class TArithNode : public TkyOperatorNode
{
public:
    explicit TArithNode(TkyOperatorType op) : TkyOperatorNode(op) {}
    Variant GetValue() override
    {
        Variant a = Left()->GetValue();
        const Variant b = Right()->GetValue();
        if (bothIntegers(a, b)) {
            const qint64 x = a.IntegerValue();
            const qint64 y = b.IntegerValue();
            switch (vop) {
            case voAdd: return VarFromInteger(x + y);
            case voSubtract: return VarFromInteger(x - y);
            case voMultiply: return VarFromInteger(x * y);
            case voIntDivide:
                if (y != 0)
                    return VarFromInteger(x / y);
                break;
            case voModulus:
                if (y != 0)
                    return VarFromInteger(x % y);
                break;
            default: break;
            }
        }
        VarBinaryOpInPlace(a, b, vop);
        return a;
    }
};
using TPlusNode = TArithNode<voAdd>;
using TMinusNode = TArithNode<voSubtract>;
using TMulNode = TArithNode<voMultiply>;
using TDivFloatNode = TArithNode<voDivide>;
using TDivIntNode = TArithNode<voIntDivide>;
using TModNode = TArithNode<voModulus>;
using TShlNode = TArithNode<voShiftLeft>;
using TShrNode = TArithNode<voShiftRight>;
using TXorNode = TArithNode<voXor>;

// Basic's &: text joins text, anything else adds.
class TStrCatNode : public TkyOperatorNode
{
public:
    TStrCatNode() : TkyOperatorNode(opPlus) {}
    Variant GetValue() override
    {
        Variant a = Left()->GetValue();
        const Variant b = Right()->GetValue();
        // Text joined as text (the length cap of + applies), anything else added.
        VarBinaryOpInPlace(a, a.IsString() && !b.IsString() ? Variant(b.AsString()) : b, voAdd);
        return a;
    }
};

// JScript's +: text joins when either side is text ("n=" + 5 is "n=5"), else it adds.
class TStrPlusNode : public TkyOperatorNode
{
public:
    TStrPlusNode() : TkyOperatorNode(opPlus) {}
    Variant GetValue() override
    {
        Variant a = Left()->GetValue();
        const Variant b = Right()->GetValue();
        if (bothIntegers(a, b))
            return VarFromInteger(qint64(a.IntegerValue()) + b.IntegerValue());
        if (a.IsString() || b.IsString()) {
            if (!a.IsString())
                a = a.AsString();
            VarBinaryOpInPlace(a, b.IsString() ? b : Variant(b.AsString()), voAdd); // capped
            return a;
        }
        VarBinaryOpInPlace(a, b, voAdd);
        return a;
    }
};

// and / or: with two Boolean operands the right side runs only when it decides.
template <bool isAnd>
class TLogicNode : public TkyOperatorNode
{
public:
    TLogicNode() : TkyOperatorNode(isAnd ? opAnd : opOr) {}
    Variant GetValue() override
    {
        Variant a = Left()->GetValue();
        if (OptimizeBool()) {
            if (a.AsBoolean() != isAnd)
                return a;
            return Right()->GetValue();
        }
        VarBinaryOpInPlace(a, Right()->GetValue(), isAnd ? voAnd : voOr);
        return a;
    }
};
using TAndNode = TLogicNode<true>;
using TOrNode = TLogicNode<false>;

// Brackets exist only while the tree is built.
class TBracketNode : public TkyOperatorNode
{
public:
    explicit TBracketNode(TkyOperatorType op) : TkyOperatorNode(op) {}
    Variant GetValue() override { return Left() ? Left()->GetValue() : Variant::Null(); }
};

class TNoneNode : public TkyOperatorNode
{
public:
    TNoneNode() : TkyOperatorNode(opNone) {}
    Variant GetValue() override { return Left() ? Left()->GetValue() : Variant::Null(); }
};

// Prefix operators keep their operand on the left... or right: whichever side is set.
TkyExpressionNode *operandOf(const TkyExpressionNode &n)
{
    return n.Left() ? n.Left() : n.Right();
}

class TNotNode : public TkyOperatorNode
{
public:
    TNotNode() : TkyOperatorNode(opNot) {}
    Variant GetValue() override { return VarNot(operandOf(*this)->GetValue()); }
};

class TUnMinusNode : public TkyOperatorNode
{
public:
    TUnMinusNode() : TkyOperatorNode(opUnMinus) {}
    Variant GetValue() override { return VarNeg(operandOf(*this)->GetValue()); }
};

// Membership in a set, or in an array in set form (a Null element after an element makes
// the two a range).
bool inArray(const Variant &value, const Variant &array)
{
    if (!array.IsArray())
        kavRaise<EVariantError>(u"Variant is not an array"_s);
    const qint64 lo = VarArrayLowBound(array, 1);
    const qint64 hi = VarArrayHighBound(array, 1);
    for (qint64 i = lo; i <= hi; ++i) {
        const Variant item = array.ArrayElement(i);
        if (i + 2 <= hi && array.ArrayElement(i + 1).IsNull()) {
            if (VarCompare(value, item, vcGreaterEqual)
                && VarCompare(value, array.ArrayElement(i + 2), vcLessEqual))
                return true;
            i += 2;
        } else if (VarCompare(value, item, vcEqual))
            return true;
    }
    return false;
}

class TInNode : public TkyOperatorNode
{
public:
    TInNode() : TkyOperatorNode(opIn) {}
    Variant GetValue() override
    {
        const Variant v = Left()->GetValue();
        if (auto *set = dynamic_cast<TkySetNode *>(Right()))
            return set->SetExpression().Check(v);
        return inArray(v, Right()->GetValue());
    }
};

// obj is TClass: the class named by the right designator's first item.
class TIsNode : public TkyOperatorNode
{
public:
    TIsNode() : TkyOperatorNode(opIs) {}
    Variant GetValue() override
    {
        const TObject *obj = Left()->GetValue().AsObject();
        const auto *right = dynamic_cast<TkyDesignatorNode *>(Right());
        if (!obj || !right || right->Designator().ItemCount() == 0)
            return false;
        const auto *cls = dynamic_cast<TkyClassVariable *>(right->Designator().GetItem(0)->Ref());
        return cls && cls->ClassRef() && obj->InheritsFrom(*cls->ClassRef());
    }
};

struct OperatorText
{
    const char16_t *text;
    TkyOperatorType op;
};

constexpr OperatorText kyOperators[] = {
    {u">", opGreat},       {u"<", opLess},          {u"<=", opLessEq},     {u">=", opGreatEq},
    {u"<>", opNonEq},      {u"=", opEq},            {u"+", opPlus},        {u"strcat", opPlus},
    {u"strplus", opPlus},
    {u"-", opMinus},       {u"or", opOr},           {u"xor", opXor},       {u"*", opMul},
    {u"/", opDivFloat},    {u"div", opDivInt},      {u"mod", opMod},       {u"and", opAnd},
    {u"shl", opShl},       {u"shr", opShr},         {u"(", opLeftBracket}, {u")", opRightBracket},
    {u"not", opNot},       {u"unminus", opUnMinus}, {u"in", opIn},         {u"is", opIs},
};

std::unique_ptr<TkyOperatorNode> makeOperator(const QString &text)
{
    const QString lower = text.toLower();
    for (const OperatorText &o : kyOperators) {
        if (lower != o.text)
            continue;
        switch (o.op) {
        case opGreat: return std::make_unique<TGreatNode>(o.op);
        case opLess: return std::make_unique<TLessNode>(o.op);
        case opLessEq: return std::make_unique<TLessEqNode>(o.op);
        case opGreatEq: return std::make_unique<TGreatEqNode>(o.op);
        case opNonEq: return std::make_unique<TNonEqNode>(o.op);
        case opEq: return std::make_unique<TEqNode>(o.op);
        case opPlus:
            if (lower == u"strcat")
                return std::make_unique<TStrCatNode>();
            if (lower == u"strplus")
                return std::make_unique<TStrPlusNode>();
            return std::make_unique<TPlusNode>(o.op);
        case opMinus: return std::make_unique<TMinusNode>(o.op);
        case opOr: return std::make_unique<TOrNode>();
        case opXor: return std::make_unique<TXorNode>(o.op);
        case opMul: return std::make_unique<TMulNode>(o.op);
        case opDivFloat: return std::make_unique<TDivFloatNode>(o.op);
        case opDivInt: return std::make_unique<TDivIntNode>(o.op);
        case opMod: return std::make_unique<TModNode>(o.op);
        case opAnd: return std::make_unique<TAndNode>();
        case opShl: return std::make_unique<TShlNode>(o.op);
        case opShr: return std::make_unique<TShrNode>(o.op);
        case opLeftBracket:
        case opRightBracket: return std::make_unique<TBracketNode>(o.op);
        case opNot: return std::make_unique<TNotNode>();
        case opUnMinus: return std::make_unique<TUnMinusNode>();
        case opIn: return std::make_unique<TInNode>();
        case opIs: return std::make_unique<TIsNode>();
        case opNone: break;
        }
    }
    kavRaise<EkyError>(u"Unknown operator '%1'"_s.arg(text));
}

TkyVarType kindOfValue(const Variant &v)
{
    switch (v.Type()) {
    case varBoolean: return fvtBool;
    case varSingle:
    case varDouble:
    case varCurrency: return fvtFloat;
    case varInt64: return fvtInt64;
    case varString: return fvtString;
    default: return fvtInt;
    }
}

// Which operators a left operand of kind k allows.
bool operatorAllowed(TkyVarType k, TkyOperatorType op)
{
    switch (k) {
    case fvtBool:
        return op == opEq || op == opNonEq || op == opOr || op == opXor || op == opAnd
               || op == opNot;
    case fvtChar:
    case fvtString: return isComparison(op) || op == opPlus || op == opIn;
    case fvtClass:
    case fvtArray: return op == opEq || op == opNonEq;
    default: return true;
    }
}

} // namespace

bool kyTypesCompatible(TkyVarType target,
                       const QString &targetName,
                       TkyVarType source,
                       const QString &sourceName,
                       const TkyScript *script,
                       bool holdsValue)
{
    if (source == fvtVariant)
        return target != fvtConstructor;
    switch (target) {
    case fvtInt:
    case fvtInt64:
        if (holdsValue && target == fvtInt && source == fvtFloat)
            return false;
        return source == fvtInt || source == fvtFloat || source == fvtEnum || source == fvtInt64;
    case fvtBool: return source == fvtBool;
    case fvtFloat: return source == fvtInt || source == fvtFloat || source == fvtInt64;
    case fvtChar:
    case fvtString: return source == fvtChar || source == fvtString;
    case fvtClass: {
        if (source != fvtClass)
            return false;
        const TkavClassInfo *t = classOf(targetName, script);
        const TkavClassInfo *s = classOf(sourceName, script);
        return t && s && s->InheritsFrom(*t);
    }
    case fvtArray: return source == fvtArray;
    case fvtVariant: return true;
    case fvtEnum:
        if (source == fvtEnum)
            return kavSameText(targetName, sourceName);
        return source == fvtInt || source == fvtInt64;
    case fvtConstructor: return false;
    }
    return false;
}

std::optional<Variant> kyNumberLiteral(QStringView number, bool negative)
{
    const bool hex = number.startsWith(u'$');
    bool ok = false;
    const quint64 magnitude = hex ? number.mid(1).toULongLong(&ok, 16) : number.toULongLong(&ok, 10);
    constexpr quint64 maxInt64 = quint64(std::numeric_limits<qint64>::max());
    if (ok && magnitude <= maxInt64)
        return VarFromInteger(negative ? -qint64(magnitude) : qint64(magnitude));
    if (ok && negative && magnitude == maxInt64 + 1)
        return Variant(std::numeric_limits<qint64>::min());
    if (hex)
        return std::nullopt;
    const double value = QLocale::c().toDouble(number, &ok); // "." whatever the locale
    if (!ok)
        return std::nullopt;
    return Variant(negative ? -value : value);
}

TkyCustomVariable *kyValueSource(TkyCustomVariable *expr)
{
    auto *e = dynamic_cast<TkyExpression *>(expr);
    if (!e || !e->Root())
        return expr;
    TkyCustomVariable *single = e->SingleItem();
    return single ? single : e->Root();
}

// ---------------------------------------------------------------------------------------
// Nodes

TkyExpressionNode::TkyExpressionNode()
    : TkyCustomVariable(QString(), fvtVariant, QString())
{}

TkyExpressionNode::~TkyExpressionNode() = default;

TkyOperandNode::TkyOperandNode(const Variant &Value)
{
    SetStoredValue(Value);
    SetTyp(kindOfValue(Value));
    SetIsReadOnly(true);
}

TkyOperatorNode::TkyOperatorNode(TkyOperatorType AOp)
    : FOp(AOp)
{}

int TkyOperatorNode::Priority() const
{
    switch (FOp) {
    case opNone: return 7;
    case opLeftBracket: return 6;
    case opRightBracket: return 5;
    case opNot:
    case opUnMinus: return 1;
    case opMul:
    case opDivFloat:
    case opDivInt:
    case opMod:
    case opAnd:
    case opShl:
    case opShr: return 2;
    case opPlus:
    case opMinus:
    case opOr:
    case opXor: return 3;
    default: return 4; // comparisons, in, is
    }
}

TkyDesignatorNode::TkyDesignatorNode(std::unique_ptr<TkyDesignator> ADesignator)
    : FDesignator(std::move(ADesignator))
{
    TkyCustomVariable *plain = FDesignator->PlainVariable();
    FVar = plain ? plain : FDesignator.get();
    SetTyp(FDesignator->Typ());
    SetTypeName(FDesignator->TypeName());
    SetIsReadOnly(FDesignator->IsReadOnly());
}

TkyDesignatorNode::~TkyDesignatorNode() = default;

Variant TkyDesignatorNode::GetValue()
{
    return FVar->GetValue();
}

void TkyDesignatorNode::SetValue(const Variant &Value)
{
    FVar->SetValue(Value);
}

TkySetNode::TkySetNode(std::unique_ptr<TkySetExpression> ASet)
    : FSetExpression(std::move(ASet))
{}

// ---------------------------------------------------------------------------------------
// Sets

TkySetExpression::TkySetExpression()
    : TkyCustomVariable(QString(), fvtVariant, QString())
{}

void TkySetExpression::AddItem(std::unique_ptr<TkyCustomVariable> Expr)
{
    FItems.push_back(std::move(Expr));
}

bool TkySetExpression::Check(const Variant &Value)
{
    const size_t n = FItems.size();
    for (size_t i = 0; i < n; ++i) {
        if (!FItems[i])
            continue; // a gap without a lower bound matches nothing
        const Variant item = FItems[i]->GetValue();
        if (i + 2 < n && !FItems[i + 1] && FItems[i + 2]) {
            if (VarCompare(Value, item, vcGreaterEqual)
                && VarCompare(Value, FItems[i + 2]->GetValue(), vcLessEqual))
                return true;
            i += 2;
        } else if (VarCompare(Value, item, vcEqual))
            return true;
    }
    return false;
}

Variant TkySetExpression::GetValue()
{
    const qint64 bounds[] = {0, qint64(FItems.size()) - 1};
    Variant result = VarArrayCreate(bounds, varVariant);
    for (size_t i = 0; i < FItems.size(); ++i)
        result.SetArrayElement(qint64(i), FItems[i] ? FItems[i]->GetValue() : Variant::Null());
    return result;
}

// ---------------------------------------------------------------------------------------
// Building

TkyCustomExpression::TkyCustomExpression()
    : TkyCustomVariable(QString(), fvtVariant, QString())
{}

TkyExpression::TkyExpression(TkyScript &Script)
    : FNode(std::make_unique<TNoneNode>())
    , FScript(Script)
{
    FCurNode = FNode.get();
    SetIsReadOnly(true);
}

TkyExpression::~TkyExpression() = default;

void TkyExpression::countItem()
{
    if (++FItemCount > kyMaxExpressionItems)
        kavRaise<EkyError>(u"Expression is too complex"_s);
}

void TkyExpression::attach(std::unique_ptr<TkyExpressionNode> node)
{
    countItem();
    node->SetSourcePos(SourcePos());
    node->FParent = FCurNode;
    TkyExpressionNode *raw = node.get();
    if (!FCurNode->FLeft)
        FCurNode->FLeft = std::move(node);
    else if (!FCurNode->FRight)
        FCurNode->FRight = std::move(node);
    else
        kavRaise<EkyError>(u"Operator expected"_s);
    FCurNode = raw;
}

void TkyExpression::addOperand(std::unique_ptr<TkyExpressionNode> node)
{
    attach(std::move(node));
}

void TkyExpression::AddConst(const Variant &Value)
{
    addOperand(std::make_unique<TkyOperandNode>(Value));
}

void TkyExpression::AddDesignator(std::unique_ptr<TkyDesignator> Designator)
{
    addOperand(std::make_unique<TkyDesignatorNode>(std::move(Designator)));
}

void TkyExpression::AddSet(std::unique_ptr<TkySetExpression> Set)
{
    addOperand(std::make_unique<TkySetNode>(std::move(Set)));
}

void TkyExpression::AddOperator(const QString &Op)
{
    std::unique_ptr<TkyOperatorNode> node = makeOperator(Op);
    switch (node->Op()) {
    case opLeftBracket:
    case opNot:
    case opUnMinus: attach(std::move(node)); return;
    case opRightBracket: closeBracket(); return;
    default: insertOperator(std::move(node)); return;
    }
}

void TkyExpression::closeBracket()
{
    TkyExpressionNode *n = FCurNode;
    while (n && n->Priority() <= 5)
        n = n->FParent;
    auto *bracket = dynamic_cast<TkyOperatorNode *>(n);
    if (!bracket || bracket->Op() != opLeftBracket || !bracket->FParent)
        kavRaise<EkyError>(u"Unbalanced brackets"_s);
    // The bracket's subtree takes the bracket's place in its parent.
    TkyExpressionNode *parent = bracket->FParent;
    std::unique_ptr<TkyExpressionNode> inner = std::move(bracket->FLeft);
    std::unique_ptr<TkyExpressionNode> &slot = parent->FLeft.get() == bracket ? parent->FLeft
                                                                               : parent->FRight;
    if (!inner)
        kavRaise<EkyError>(u"Expression expected"_s);
    inner->FParent = parent;
    FCurNode = inner.get();
    slot = std::move(inner); // frees the bracket
}

void TkyExpression::insertOperator(std::unique_ptr<TkyOperatorNode> node)
{
    countItem();
    node->SetSourcePos(SourcePos());
    const int priority = node->Priority();
    TkyExpressionNode *n;
    TkyExpressionNode *last;
    if (FCurNode == FNode.get()) {
        // At the root: the operator becomes its child, over whatever is there.
        n = FNode.get();
        last = n->FLeft.get();
    } else if (auto *op = dynamic_cast<TkyOperatorNode *>(FCurNode);
               op && op->Op() == opLeftBracket) {
        n = FCurNode;
        last = nullptr;
    } else {
        last = FCurNode;
        n = FCurNode->FParent;
        while (n->Priority() <= priority) {
            last = n;
            n = n->FParent;
        }
    }
    TkyOperatorNode *raw = node.get();
    std::unique_ptr<TkyExpressionNode> taken;
    if (last) {
        std::unique_ptr<TkyExpressionNode> &slot = n->FLeft.get() == last ? n->FLeft : n->FRight;
        taken = std::move(slot);
        slot = std::move(node);
    } else if (!n->FLeft)
        n->FLeft = std::move(node);
    else if (!n->FRight)
        n->FRight = std::move(node);
    else
        kavRaise<EkyError>(u"Operand expected"_s);
    raw->FParent = n;
    if (taken) {
        taken->FParent = raw;
        raw->FLeft = std::move(taken);
    }
    FCurNode = raw;
}

// ---------------------------------------------------------------------------------------
// Finishing and types

QString TkyExpression::Finalize()
{
    std::unique_ptr<TkyExpressionNode> root = std::move(FNode->FLeft);
    if (!root)
        kavRaise<EkyError>(u"Expression expected"_s);
    root->FParent = nullptr;
    FNode = std::move(root);
    FCurNode = nullptr;
    const QString errorPos = inferTypes(*FNode);
    SetTyp(FNode->Typ());
    SetTypeName(FNode->TypeName());
    const auto *d = dynamic_cast<TkyDesignatorNode *>(FNode.get());
    SetIsReadOnly(!d || d->IsReadOnly());
    return errorPos;
}

QString TkyExpression::inferTypes(TkyExpressionNode &node)
{
    auto *op = dynamic_cast<TkyOperatorNode *>(&node);
    if (!op)
        return QString(); // operands have their kinds already
    if (op->Op() == opLeftBracket || op->Op() == opRightBracket)
        return op->SourcePos(); // an unclosed bracket
    QString error;
    TkyVarType l = fvtVariant;
    TkyVarType r = fvtVariant;
    QString lName;
    QString rName;
    TkyExpressionNode *left = op->Left();
    TkyExpressionNode *right = op->Right();
    const bool unary = op->Op() == opNot || op->Op() == opUnMinus;
    if (unary && !left) {
        left = right;
        right = nullptr;
    }
    if (!left || (!unary && !right))
        kavRaise<EkyError>(u"Operand expected"_s); // only hand-made IL gets here
    for (TkyExpressionNode *child : {left, right}) {
        if (!child)
            continue;
        const QString e = inferTypes(*child);
        if (error.isEmpty())
            error = e;
    }
    if (left) {
        l = left->Typ();
        lName = left->TypeName();
    }
    if (right) {
        r = right->Typ();
        rName = right->TypeName();
    }
    const TkyOperatorType o = op->Op();
    op->FOptimizeBool = l == fvtBool && r == fvtBool;
    bool valid = (o == opIs && l == fvtClass && r == fvtClass) || op->FOptimizeBool;
    // JScript's + with text on either side joins anything but objects and arrays.
    const bool joins = dynamic_cast<TStrPlusNode *>(op) && (isText(l) || isText(r));
    if (joins)
        valid = !isObjectOrArray(l) && !isObjectOrArray(r);
    else if (!valid) {
        valid = (unary || o == opIn || kyTypesCompatible(l, lName, r, rName, &FScript, false))
                && operatorAllowed(l, o);
    }
    if (!valid && error.isEmpty())
        error = op->SourcePos();
    // The node's kind.
    TkyVarType kind = l;
    QString kindName = lName;
    if ((l == fvtInt && r == fvtFloat) || (l == fvtFloat && r == fvtInt)
        || (l == fvtFloat && r == fvtInt64) || (l == fvtInt64 && r == fvtFloat)) {
        kind = fvtFloat;
    }
    if (o == opDivFloat && isIntegral(l) && isIntegral(r))
        kind = fvtFloat;
    if (isComparison(o) || o == opIn || o == opIs)
        kind = fvtBool;
    if (joins)
        kind = fvtString;
    if (kind != fvtClass && kind != fvtEnum)
        kindName.clear();
    op->SetTyp(kind);
    op->SetTypeName(kindName);
    return error;
}

// ---------------------------------------------------------------------------------------
// Evaluation and the assignment rewrite

Variant TkyExpression::GetValue()
{
    return FNode->GetValue();
}

void TkyExpression::SetValue(const Variant &Value)
{
    if (!IsReadOnly())
        FNode->SetValue(Value);
}

TkyCustomVariable *TkyExpression::SingleItem() const
{
    if (dynamic_cast<TkyOperandNode *>(FNode.get()))
        return FNode.get();
    if (auto *d = dynamic_cast<TkyDesignatorNode *>(FNode.get()))
        return d->Var();
    return nullptr;
}

QString TkyExpression::Optimize(const TkyCustomVariable *Designator)
{
    const auto *target = dynamic_cast<const TkyDesignator *>(Designator);
    TkyCustomVariable *var = target ? target->PlainVariable() : nullptr;
    auto *op = dynamic_cast<TkyOperatorNode *>(FNode.get());
    if (!var || !op || dynamic_cast<TStrCatNode *>(op) || dynamic_cast<TStrPlusNode *>(op))
        return u" "_s;
    QString result;
    switch (op->Op()) {
    case opPlus: result = u"+"_s; break;
    case opMinus: result = u"-"_s; break;
    case opMul: result = u"*"_s; break;
    case opDivFloat: result = u"/"_s; break;
    default: return u" "_s;
    }
    const auto isVar = [var](TkyExpressionNode *n) {
        const auto *d = dynamic_cast<TkyDesignatorNode *>(n);
        return d && d->Designator().PlainVariable() == var;
    };
    // s := s + a + b is ((s + a) + b): the target is the first operand of a chain of text
    // joins. It becomes s += (a + b), the same text (joining is associative), appended in
    // place rather than copied whole at every step: building a line stays linear.
    const auto isText = [](const TkyExpressionNode *n) {
        return n && (n->Typ() == fvtString || n->Typ() == fvtChar);
    };
    const auto isJoin = [&isText](TkyExpressionNode *n) {
        return dynamic_cast<TPlusNode *>(n) && n->Left() && isText(n->Right());
    };
    if (var->Typ() == fvtString && isJoin(op)) {
        for (TkyExpressionNode *parent = op; isJoin(parent->Left()); parent = parent->Left()) {
            TkyExpressionNode *inner = parent->Left();
            if (!isVar(inner->Left()))
                continue;
            std::unique_ptr<TkyExpressionNode> first = std::move(inner->FRight);
            first->FParent = parent;
            parent->FLeft = std::move(first); // drops "s +"
            SetIsReadOnly(true);
            return result;
        }
    }
    std::unique_ptr<TkyExpressionNode> rest;
    if (op->Left() && op->Right() && isVar(op->Left()))
        rest = std::move(op->FRight);
    else if ((op->Op() == opPlus || op->Op() == opMul) && var->Typ() != fvtString
             && var->Typ() != fvtVariant && op->Right() && op->Left() && isVar(op->Right()))
        rest = std::move(op->FLeft);
    else
        return u" "_s;
    rest->FParent = nullptr;
    FNode = std::move(rest);
    SetTyp(FNode->Typ());
    SetTypeName(FNode->TypeName());
    SetIsReadOnly(true);
    return result;
}
