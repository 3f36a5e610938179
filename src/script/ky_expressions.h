#pragma once

// Expressions: binary trees of operator and operand nodes, built from the flat operand and
// operator list of the IL by precedence climbing, type-checked once when finished and
// evaluated by a walk over variants. Priorities (smaller binds tighter): not and unary minus
// 1; * / div mod and shl shr 2; + - or xor 3; comparisons, in and is 4 (loosest, in every
// language).

#include "ky_variables.h"

#include <QString>

#include <memory>
#include <optional>

class TkyDesignator;
class TkyScript;

// ORDER: the node classes follow this order.
enum TkyOperatorType : int {
    opNone,
    opGreat,
    opLess,
    opLessEq,
    opGreatEq,
    opNonEq,
    opEq,
    opPlus,
    opMinus,
    opOr,
    opXor,
    opMul,
    opDivFloat,
    opDivInt,
    opMod,
    opAnd,
    opShl,
    opShr,
    opLeftBracket,
    opRightBracket,
    opNot,
    opUnMinus,
    opIn,
    opIs
};

// Items nested or chained in one expression tree at most (operands plus operators).
inline constexpr int kyMaxExpressionItems = 4000;

// Whether a value of kind source (type name sourceName) may be given to target. With
// holdsValue (assignments, initialisers, arguments) a Float is not accepted by an Integer.
// Class kinds: the source class must be the target class or descend from it.
bool kyTypesCompatible(TkyVarType target,
                       const QString &targetName,
                       TkyVarType source,
                       const QString &sourceName,
                       const TkyScript *script,
                       bool holdsValue);

// The value of a number literal ("$" hex or decimal; negative: with a leading minus):
// Integer within 32 bits, else Int64, else Double for fractions, exponents and integers
// past 64 bits; nullopt when the text is no number or out of every range.
std::optional<Variant> kyNumberLiteral(QStringView number, bool negative = false);

// What gives expr's value most directly: the single operand or the root node of a
// TkyExpression, anything else itself (nullptr stays nullptr).
TkyCustomVariable *kyValueSource(TkyCustomVariable *expr);

// A node of the tree. Owns its children.
class TkyExpressionNode : public TkyCustomVariable
{
public:
    TkyExpressionNode();
    ~TkyExpressionNode() override;

    virtual int Priority() const = 0;

    TkyExpressionNode *Left() const { return FLeft.get(); }
    TkyExpressionNode *Right() const { return FRight.get(); }
    TkyExpressionNode *Parent() const { return FParent; }

private:
    friend class TkyExpression;
    std::unique_ptr<TkyExpressionNode> FLeft;
    std::unique_ptr<TkyExpressionNode> FRight;
    TkyExpressionNode *FParent = nullptr;
};

// A constant; its kind comes from its value.
class TkyOperandNode : public TkyExpressionNode
{
public:
    explicit TkyOperandNode(const Variant &Value);
    Variant GetValue() override { return StoredValue(); }
    int Priority() const override { return 0; }
};

// Base of the operator nodes: the operator and whether both sides are known Booleans (then
// and/or evaluate the right side only when needed).
class TkyOperatorNode : public TkyExpressionNode
{
public:
    TkyOperatorType Op() const { return FOp; }
    bool OptimizeBool() const { return FOptimizeBool; }
    int Priority() const override;

protected:
    explicit TkyOperatorNode(TkyOperatorType AOp);

private:
    friend class TkyExpression;
    TkyOperatorType FOp;
    bool FOptimizeBool = false;
};

// A set constructor ([1, 3..5]): its items are expressions; a gap (nullptr item) between
// two expressions marks a range.
class TkySetExpression : public TkyCustomVariable
{
public:
    TkySetExpression();

    // Appends an expression (owned), or a range gap when Expr is null.
    void AddItem(std::unique_ptr<TkyCustomVariable> Expr);
    // Whether Value is one of the items or inside one of the ranges.
    bool Check(const Variant &Value);
    // The item values as a variant array, Null for each gap.
    Variant GetValue() override;
    TkyCustomVariable *GetItem(int Index) const { return FItems[size_t(Index)].get(); }
    int ItemCount() const { return int(FItems.size()); }

private:
    std::vector<std::unique_ptr<TkyCustomVariable>> FItems;
};

// Base of expressions.
class TkyCustomExpression : public TkyCustomVariable
{
public:
    TkyCustomExpression();
};

class TkyExpression : public TkyCustomExpression
{
public:
    explicit TkyExpression(TkyScript &Script);
    ~TkyExpression() override;

    // Building, in IL order; each new node takes SourcePos (set it before each call).
    void AddConst(const Variant &Value);
    void AddDesignator(std::unique_ptr<TkyDesignator> Designator);
    void AddSet(std::unique_ptr<TkySetExpression> Set);
    // Op: the IL operator text ("+", "div", "unminus", "(", ...), any case. EkyError for an
    // unknown operator, an unbalanced ")" and a tree past kyMaxExpressionItems.
    void AddOperator(const QString &Op);
    // Finishes the tree and infers the kinds: empty when the types check, else the source
    // position of the first operator whose operands do not go together.
    QString Finalize();

    Variant GetValue() override;
    // Writes through the single designator; nothing when read-only.
    void SetValue(const Variant &Value) override;

    // The rewrite of target := expression into a compound assignment: "+", "-", "*", "/"
    // when the root combines Designator with the rest (the expression keeps only the rest),
    // else " ".
    QString Optimize(const TkyCustomVariable *Designator);
    // The single operand: a constant node, the variable of a plain variable designator, any
    // other designator; nullptr when the expression has an operator.
    TkyCustomVariable *SingleItem() const;

    // The text of the expression as written (for macro arguments); empty when unknown.
    const QString &Source() const { return FSource; }
    void SetSource(const QString &value) { FSource = value; }
    TkyExpressionNode *Root() const { return FNode.get(); }

private:
    void addOperand(std::unique_ptr<TkyExpressionNode> node);
    void attach(std::unique_ptr<TkyExpressionNode> node);
    void closeBracket();
    void insertOperator(std::unique_ptr<TkyOperatorNode> node);
    void countItem();
    QString inferTypes(TkyExpressionNode &node);

    TkyExpressionNode *FCurNode = nullptr;
    std::unique_ptr<TkyExpressionNode> FNode; // the root
    TkyScript &FScript;
    QString FSource;
    int FItemCount = 0;
};

// A designator as an operand. FVar is the designator, or the variable of a plain variable
// designator (read directly).
class TkyDesignatorNode : public TkyExpressionNode
{
public:
    explicit TkyDesignatorNode(std::unique_ptr<TkyDesignator> ADesignator);
    ~TkyDesignatorNode() override;

    Variant GetValue() override;
    void SetValue(const Variant &Value) override;
    int Priority() const override { return 0; }
    TkyDesignator &Designator() const { return *FDesignator; }
    TkyCustomVariable *Var() const { return FVar; }

private:
    std::unique_ptr<TkyDesignator> FDesignator;
    TkyCustomVariable *FVar;
};

// A set constructor as an operand (kind Variant).
class TkySetNode : public TkyExpressionNode
{
public:
    explicit TkySetNode(std::unique_ptr<TkySetExpression> ASet);
    Variant GetValue() override { return FSetExpression->GetValue(); }
    int Priority() const override { return 0; }
    TkySetExpression &SetExpression() const { return *FSetExpression; }

private:
    std::unique_ptr<TkySetExpression> FSetExpression;
};
