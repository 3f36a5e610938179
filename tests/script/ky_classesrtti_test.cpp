// The basic classes from scripts: string lists, object lists, memory and file streams under
// the file policy, the script XML classes, and who may free what.

#include "kyScriptTestSupport.h"

#include <rtl/kavExceptions.h>
#include <rtl/kavFilePolicy.h>
#include <rtl/kavRTTI.h>
#include <rtl/kavStrings.h>
#include <script/ky_script.h>

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

class ClassesScripts : public ::testing::Test
{
protected:
    void SetUp() override
    {
        kyPrepareLibraryScript(script);
        hostList.Add(u"host"_s);
    }

    // Runs source in a fresh scope with the host's items: the messages shown, then
    // "compile error at POS: ..." or "runtime error: ...", joined by blanks.
    std::string run(const QString &language, const QString &source)
    {
        shown.clear();
        script.Clear();
        script.AddObject(u"HostList"_s, &hostList);
        script.AddVariable(u"Inside"_s, u"String"_s, inside.path());
        script.AddVariable(u"Outside"_s, u"String"_s, outside.path());
        return kyRunOutcome(script, shown, language, source).toStdString();
    }

    void runTable(const QString &language, const std::vector<KyScriptCase> &cases)
    {
        for (const KyScriptCase &c : cases)
            EXPECT_EQ(run(language, QString::fromUtf16(c.source)), c.expected) << c.name;
    }

    TStringList hostList;
    QTemporaryDir inside;
    QTemporaryDir outside;
    KyShownMessages messages;
    QStringList &shown = messages.lines;
    TkyScript script;
};

TEST_F(ClassesScripts, ConstantsAndEnumerations)
{
    EXPECT_EQ(run(u"PascalScript"_s, uR"(
begin
  ShowMessage(fmCreate); ShowMessage(fmOpenReadWrite); ShowMessage(fmShareDenyNone);
  ShowMessage(soFromEnd); ShowMessage(dupError); ShowMessage(poLandscape);
end.)"_s),
              "65280 2 64 2 2 1");
}

TEST_F(ClassesScripts, StringLists)
{
    runTable(u"PascalScript"_s,
             {
                 {"sort and find",
                  uR"(
var L: TStringList; i: Integer;
begin
  L := TStringList.Create;
  L.Add('pear'); L.Add('Apple'); L.Add('fig');
  L.Sort;
  ShowMessage(L.CommaText);
  if L.Find('FIG', i) then ShowMessage(i);
  if not L.Find('kiwi', i) then ShowMessage(i);
  L.Free;
end.)",
                  "Apple,fig,pear 1 2"},
                 {"sorted list refuses duplicates",
                  uR"(
var L: TStringList;
begin
  L := TStringList.Create;
  L.Sorted := True; L.Duplicates := dupError;
  L.Add('b'); L.Add('a');
  ShowMessage(L[0] + L[1]); ShowMessage(L.Sorted); ShowMessage(L.Duplicates);
  L.Add('A');
end.)",
                  "ab True 2 runtime error: String list does not allow duplicates"},
                 {"values and names",
                  uR"(
var L: TStringList;
begin
  L := TStringList.Create;
  L.CommaText := 'a=1,b=2';
  ShowMessage(L.Values['b']);
  L.Values['c'] := '3';
  ShowMessage(L.Names[2] + IntToStr(L.Count));
  L.Values['a'] := '';
  ShowMessage(L.CommaText);
  ShowMessage(L.IndexOfName('c'));
  ShowMessage(L.Names[5]);
end.)",
                  "2 c3 b=2,c=3 1 runtime error: List index out of bounds (5)"},
                 {"comma text quotes",
                  uR"(
var L: TStringList;
begin
  L := TStringList.Create;
  L.Add('two words'); L.Add('x');
  ShowMessage(L.CommaText);
  L.CommaText := '"a b",c';
  ShowMessage(IntToStr(L.Count) + L.Strings[0]);
end.)",
                  "\"two words\",x 2a b"},
                 {"text, insert, move, delete",
                  uR"(
var L: TStringList;
begin
  L := TStringList.Create;
  L.Text := 'one';
  L.Add('two');
  ShowMessage(Length(L.Text));
  L.Insert(0, 'zero');
  L.Move(0, 2);
  L[0] := 'uno';
  ShowMessage(L.CommaText);
  L.Delete(1);
  ShowMessage(IntToStr(L.IndexOf('ZERO')) + IntToStr(L.IndexOf('two')));
  L.Delete(7);
end.)",
                  "10 uno,two,zero 1-1 runtime error: List index out of bounds (7)"},
                 {"objects by handle",
                  uR"(
var A, B, C: TStringList;
begin
  A := TStringList.Create; B := TStringList.Create; C := TStringList.Create;
  B.Add('b');
  A.AddObject('k', B);
  A.InsertObject(0, 'j', nil);
  A.Objects[0] := C;
  ShowMessage(A.IndexOfObject(B));
  ShowMessage(TStringList(A.Objects[1]).Strings[0]);
  B.Free;
  ShowMessage(TStringList(A.Objects[0]).Count);
  ShowMessage(TStringList(A.Objects[1]).Count);
end.)",
                  "1 b 0 runtime error: Invalid object reference"},
             });
}

TEST_F(ClassesScripts, ObjectLists)
{
    EXPECT_EQ(run(u"PascalScript"_s, uR"(
var Lst: TList; a, b, s: TStringList;
begin
  Lst := TList.Create; a := TStringList.Create; b := TStringList.Create;
  a.Add('A'); b.Add('B');
  Lst.Add(a); Lst.Add(b); Lst.Insert(0, b);
  ShowMessage(Lst.Count);
  s := TStringList(Lst[1]); ShowMessage(s[0]);
  ShowMessage(Lst.IndexOf(b));
  ShowMessage(Lst.Remove(b));
  ShowMessage(Lst.Count);
  Lst.Delete(0);
  s := TStringList(Lst.Items[0]); ShowMessage(s[0]);
  ShowMessage(Lst.ClassName);
  b.Free;
  ShowMessage(Lst.Count);
  s := TStringList(Lst[0]);
end.)"_s),
              "3 A 0 0 2 B TList 1 runtime error: Invalid object reference");
    EXPECT_EQ(
        run(u"PascalScript"_s,
            u"var L: TList; begin L := TList.Create; L.Add(nil); ShowMessage(L.IndexOf(nil)); L.Delete(1); end."_s),
        "0 runtime error: List index out of bounds (1)");
}

TEST_F(ClassesScripts, MemoryStreams)
{
    runTable(u"PascalScript"_s,
             {
                 {"write, read, seek, size",
                  uR"(
var S: TMemoryStream; buf: String; n: Integer;
begin
  S := TMemoryStream.Create;
  ShowMessage(S.Write('hello world', 5));
  ShowMessage(S.Size);
  ShowMessage(S.Write('!', 10));
  ShowMessage(S.Position);
  S.Position := 0;
  buf := '..........';
  n := S.Read(buf, 100);
  ShowMessage(IntToStr(n) + ':' + buf);
  ShowMessage(S.Seek(-2, soFromEnd));
  buf := 'xy';
  ShowMessage(S.Read(buf, 10));
  ShowMessage(buf);
  S.Seek(0, soFromBeginning);
  buf := 'abc';
  ShowMessage(S.Read(buf, 1));
  ShowMessage(buf);
  S.Seek(0, soFromEnd);
  ShowMessage(S.Read(buf, 5));
  ShowMessage(S.ClassName);
end.)",
                  "5 5 1 6 6:hello!.... 4 2 o! 1 hbc 0 TMemoryStream"},
                 {"negative count",
                  uR"(
var S: TMemoryStream; buf: String;
begin
  S := TMemoryStream.Create; buf := 'abc';
  S.Write(buf, 3); S.Position := 0;
  S.Read(buf, -1);
end.)",
                  "runtime error: Invalid byte count (-1)"},
                 {"bytes are characters one to one",
                  uR"(
var S: TMemoryStream; buf: String;
begin
  S := TMemoryStream.Create;
  S.Write('café', 4);
  ShowMessage(S.Size);
  S.Position := 0; buf := '....';
  S.Read(buf, 4);
  ShowMessage(buf);
end.)",
                  "4 café"},
                 {"copying between streams and lists",
                  uR"(
var A, B: TMemoryStream; L: TStringList; buf: String;
begin
  A := TMemoryStream.Create; B := TMemoryStream.Create;
  A.Write('0123456789', 10);
  A.Position := 2;
  ShowMessage(B.CopyFrom(A, 3));
  B.Position := 0; buf := '...'; B.Read(buf, 3); ShowMessage(buf);
  B.LoadFromStream(A);
  ShowMessage(IntToStr(B.Size) + ' ' + IntToStr(B.Position));
  L := TStringList.Create; L.Add('x'); L.Add('y');
  A.Clear; L.SaveToStream(A);
  ShowMessage(A.Size);
  A.Position := 0; L.Clear; L.LoadFromStream(A);
  ShowMessage(L.CommaText);
  A.SaveToStream(B);
  ShowMessage(B.Size);
  A.CopyFrom(A, 0);
end.)",
                  "3 234 10 0 6 x,y 10 runtime error: Cannot copy a stream into itself"},
                 {"no growth without bound",
                  uR"(
var S: TMemoryStream;
begin
  S := TMemoryStream.Create;
  S.Position := 2000000000;
  ShowMessage(S.Position);
  S.Write('x', 1);
end.)",
                  "2000000000 runtime error: Stream is too large"},
                 {"abstract streams cannot be created",
                  u"var S: TStream; begin S := TStream.Create; end.",
                  "runtime error: Cannot create an instance of TStream"},
             });
}

TEST_F(ClassesScripts, FilesObeyThePolicy)
{
    ASSERT_TRUE(inside.isValid() && outside.isValid());
    const QString secret = outside.filePath(u"secret.txt"_s);
    {
        QFile file(secret);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("secret\n");
    }
    KavFilePolicyGuard guard;
    kavFilePolicy().SetRestricted({inside.path()});

    EXPECT_EQ(run(u"PascalScript"_s, uR"(
var F: TFileStream; L: TStringList; M: TMemoryStream; D: TkyXMLDocument; buf: String;
begin
  F := TFileStream.Create(Inside + '/a.bin', fmCreate);
  ShowMessage(F.Write('abc', 3)); F.Free;
  F := TFileStream.Create(Inside + '/a.bin', fmOpenRead or fmShareDenyNone);
  buf := '.....';
  ShowMessage(F.Read(buf, 5)); ShowMessage(buf); ShowMessage(F.ClassName); F.Free;
  L := TStringList.Create; L.Add('x'); L.SaveToFile(Inside + '/l.txt');
  L.Clear; L.LoadFromFile(Inside + '/l.txt'); ShowMessage(L.Text);
  M := TMemoryStream.Create; M.LoadFromFile(Inside + '/l.txt'); ShowMessage(M.Size);
  M.SaveToFile(Inside + '/m.txt');
  D := TkyXMLDocument.Create; D.Root.Name := 'doc'; D.SaveToFile(Inside + '/d.xml');
  D.Root.Name := 'changed'; D.LoadFromFile(Inside + '/d.xml'); ShowMessage(D.Root.Name);
end.)"_s),
              "3 3 abc.. TFileStream x\r\n 3 doc");
    EXPECT_TRUE(QFile::exists(inside.filePath(u"m.txt"_s)));

    const QString denied = u"runtime error: Reading the file \"%1\" is not allowed"_s.arg(secret);
    const QString deniedWrite = u"runtime error: Writing the file \"%1\" is not allowed"_s.arg(
        outside.filePath(u"new.txt"_s));
    const QString deniedSecretWrite
        = u"runtime error: Writing the file \"%1\" is not allowed"_s.arg(secret);
    const struct
    {
        const char *name;
        const char16_t *statement;
        QString expected;
    } cases[] = {
        {"file stream read",
         u"F := TFileStream.Create(Outside + '/secret.txt', fmOpenRead)",
         denied},
        {"file stream read-write",
         u"F := TFileStream.Create(Outside + '/secret.txt', fmOpenReadWrite)",
         deniedSecretWrite},
        {"string list load", u"L.LoadFromFile(Outside + '/secret.txt')", denied},
        {"memory stream load", u"M.LoadFromFile(Outside + '/secret.txt')", denied},
        {"xml load", u"D.LoadFromFile(Outside + '/secret.txt')", denied},
        {"file stream create",
         u"F := TFileStream.Create(Outside + '/new.txt', fmCreate)",
         deniedWrite},
        {"string list save", u"L.SaveToFile(Outside + '/new.txt')", deniedWrite},
        {"memory stream save", u"M.SaveToFile(Outside + '/new.txt')", deniedWrite},
        {"xml save", u"D.SaveToFile(Outside + '/new.txt')", deniedWrite},
    };
    for (const auto &c : cases) {
        const QString source
            = u"var F: TFileStream; L: TStringList; M: TMemoryStream; D: TkyXMLDocument;\r\n"
              "begin L := TStringList.Create; M := TMemoryStream.Create; "
              "D := TkyXMLDocument.Create; "_s
              + QString::fromUtf16(c.statement) + u"; ShowMessage('done'); end."_s;
        const QString result = QString::fromStdString(run(u"PascalScript"_s, source));
        EXPECT_TRUE(result.startsWith(QDir::toNativeSeparators(c.expected)))
            << c.name << ": " << result.toStdString();
    }
    EXPECT_FALSE(QFile::exists(outside.filePath(u"new.txt"_s)));
    QFile file(secret);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("secret\n"));
    EXPECT_EQ(
        run(u"PascalScript"_s,
            u"var F: TFileStream; begin F := TFileStream.Create(Inside + '/a.bin', 3); end."_s),
        "runtime error: Invalid file mode (3)");
}

TEST_F(ClassesScripts, XMLClasses)
{
    runTable(u"PascalScript"_s,
             {
                 {"build, save, load, stale items",
                  uR"(
var D, D2: TkyXMLDocument; R, I: TkyXMLItem; S: TMemoryStream;
begin
  D := TkyXMLDocument.Create;
  R := D.Root; R.Name := 'report';
  I := R.Add; I.Name := 'band'; I.Prop['Height'] := '20';
  ShowMessage(R.Count); ShowMessage(R.Find('band')); ShowMessage(R.Find('page'));
  I := R.FindItem('page');
  ShowMessage(IntToStr(R.Count) + I.Parent.Name + I.Root.Name);
  ShowMessage(I.ClassName);
  S := TMemoryStream.Create; D.SaveToStream(S); S.Position := 0;
  D2 := TkyXMLDocument.Create; D2.LoadFromStream(S);
  I := D2.Root[0];
  ShowMessage(D2.Root.Name + IntToStr(D2.Root.Count) + I.Name + I.Prop['Height']);
  ShowMessage(D2.Root[0] = I);
  D2.Root.Clear;
  ShowMessage(D2.Root.Count);
  ShowMessage(I.Name);
end.)",
                  "1 0 -1 2reportreport TkyXMLItem report2band20 True 0 runtime error: Invalid "
                  "object reference"},
                 {"script items are copied into trees",
                  uR"(
var D: TkyXMLDocument; X, Y: TkyXMLItem;
begin
  D := TkyXMLDocument.Create;
  X := TkyXMLItem.Create; X.Name := 'x';
  Y := X.Add; Y.Name := 'y';
  ShowMessage(Y.Parent = X); ShowMessage(Y.Root = X);
  D.Root.AddItem(X);
  D.Root.InsertItem(0, Y);
  X.Name := 'changed';
  ShowMessage(D.Root[0].Name + D.Root[1].Name + IntToStr(D.Root[1].Count));
  X.Data := 42; ShowMessage(X.Data);
  X.Free;
  ShowMessage(D.Root.Count);
  D.Root.InsertItem(5, D.Root);
end.)",
                  "True True yx1 42 2 runtime error: List index out of bounds (5)"},
                 {"items of a freed document are stale",
                  uR"(
var D: TkyXMLDocument; R: TkyXMLItem;
begin
  D := TkyXMLDocument.Create; R := D.Root; R.Text := 'a="1"';
  ShowMessage(R.Prop['a']);
  D.Free;
  ShowMessage(R.Name);
end.)",
                  "1 runtime error: Invalid object reference"},
                 {"items belong to their tree",
                  uR"(
var D: TkyXMLDocument;
begin
  D := TkyXMLDocument.Create;
  D.Root.Free;
end.)",
                  "runtime error: Cannot free this object"},
                 {"a failed load leaves an empty tree",
                  uR"(
var D: TkyXMLDocument; S: TMemoryStream; I: TkyXMLItem;
begin
  D := TkyXMLDocument.Create; I := D.Root.Add; I.Name := 'kept';
  S := TMemoryStream.Create; S.Write('not xml', 7); S.Position := 0;
  try D.LoadFromStream(S); except ShowMessage('failed'); end;
  ShowMessage(D.Root.Count);
end.)",
                  "failed 0"},
             });
}

TEST_F(ClassesScripts, FreeAndOwnership)
{
    runTable(u"PascalScript"_s,
             {
                 {"host objects cannot be freed",
                  uR"(
begin
  ShowMessage(HostList[0]);
  HostList.Free;
end.)",
                  "host runtime error: Cannot free this object"},
                 {"free on nil does nothing",
                  uR"(
var L: TStringList;
begin
  L := nil; L.Free; ShowMessage('ok');
end.)",
                  "ok"},
                 {"stale after free",
                  uR"(
var L: TStringList;
begin
  L := TStringList.Create; L.Add('x'); L.Free;
  L.Add('y');
end.)",
                  "runtime error: Invalid object reference"},
                 {"double free",
                  uR"(
var L: TList;
begin
  L := TList.Create; L.Free; ShowMessage('once'); L.Free;
end.)",
                  "once runtime error: Invalid object reference"},
                 {"script objects in host lists go stale when freed",
                  uR"(
var T: TStringList; O: TObject;
begin
  T := TStringList.Create; HostList.AddObject('s', T); T.Free;
  O := HostList.Objects[1]; HostList.Delete(1);
  ShowMessage(HostList.Count);
  ShowMessage(TStringList(O).Count);
end.)",
                  "1 runtime error: Invalid object reference"},
                 {"class names",
                  uR"(
var O: TObject; P: TPersistent; V: Variant;
begin
  O := TObject.Create; ShowMessage(O.ClassName);
  ShowMessage(HostList.ClassName);
  P := TStringList.Create; ShowMessage(P.ClassName);
  TStringList(P).Add('q');
  O := TStringList.Create; TPersistent(O).Assign(P);
  ShowMessage(TStringList(O)[0]);
  V := TList.Create;
  TPersistent(O).Assign(V);
end.)",
                  "TObject TStringList TStringList q runtime error: Invalid class typecast"},
             });
    // The host's list survived the attempt to free it.
    ASSERT_EQ(hostList.Count(), 1);
    EXPECT_EQ(hostList.Strings(0), u"host"_s);
}

TEST_F(ClassesScripts, ComponentsBelongToTheirOwners)
{
    runTable(u"PascalScript"_s,
             {
                 {"owner, names and tags",
                  uR"(
var C, D: TComponent;
begin
  C := TComponent.Create(nil); C.Name := 'Top';
  D := TComponent.Create(C); D.Name := 'Child'; D.Tag := 7;
  ShowMessage(D.Owner.Name); ShowMessage(D.Tag);
  ShowMessage(C.Owner = nil);
end.)",
                  "Top 7 True"},
                 {"freeing the owner frees what it owns",
                  uR"(
var C, D: TComponent;
begin
  C := TComponent.Create(nil);
  D := TOpenDialog.Create(C); D.Name := 'Dlg';
  C.Free;
  ShowMessage(D.Name);
end.)",
                  "runtime error: Invalid object reference"},
                 {"an owned component can be freed alone",
                  uR"(
var C, D, E: TComponent;
begin
  C := TComponent.Create(nil);
  D := TComponent.Create(C); D.Name := 'Same';
  D.Free;
  E := TComponent.Create(C); E.Name := 'Same';
  ShowMessage(E.Name);
  C.Free;
end.)",
                  "Same"},
                 {"names are identifiers and unique under one owner",
                  uR"(
var C, D, E: TComponent;
begin
  C := TComponent.Create(nil);
  D := TComponent.Create(C); D.Name := 'A';
  E := TComponent.Create(C);
  try E.Name := 'a'; except ShowMessage(ExceptionMessage); end;
  E.Name := '1x';
end.)",
                  "A component named a already exists "
                  "runtime error: ''1x'' is not a valid component name"},
                 {"abstract classes are refused",
                  uR"(var C: TCollection; begin C := TCollection.Create; end.)",
                  "runtime error: Cannot create an instance of TCollection"},
             });
}

// A collection the host owns, as report collections are.
class TestCollection : public TCollection
{
public:
    int Count() const override { return int(FItems.size()); }
    TCollectionItem *Items(int index) const override
    {
        if (index < 0 || index >= Count())
            throw EListError(u"List index out of bounds (%1)"_s.arg(index));
        return FItems[size_t(index)].get();
    }
    void Clear() override { FItems.clear(); }
    void Add() { FItems.push_back(std::make_unique<TCollectionItem>()); }

private:
    std::vector<std::unique_ptr<TCollectionItem>> FItems;
};

TEST_F(ClassesScripts, HostCollections)
{
    TestCollection items;
    items.Add();
    items.Add();
    script.Clear();
    script.AddObject(u"Items"_s, &items);
    EXPECT_EQ(kyRunOutcome(script, shown, u"PascalScript"_s, uR"(
begin
  ShowMessage(Items.Count); ShowMessage(Items[1].ClassName);
  Items.Clear; ShowMessage(Items.Count);
  ShowMessage(Items[0].ClassName);
end.)"_s)
                  .toStdString(),
              "2 TCollectionItem 0 runtime error: List index out of bounds (0)");
}

// Host forms: a class whose script name descends from "TForm", owning named components.
class TestFormBase : public TComponent
{
public:
    KAV_CLASSINFO
};
class TestForm : public TestFormBase
{
public:
    KAV_CLASSINFO
};
class TestWidget : public TComponent
{
public:
    KAV_CLASSINFO
};

} // namespace

const TkavClassInfo &TestFormBase::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TestFormBase, TComponent>(
        u"TForm"_s, [](TkavPropBuilder<TestFormBase> &) {});
    return info;
}

const TkavClassInfo &TestForm::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TestForm, TestFormBase>(
        u"TTestForm"_s, [](TkavPropBuilder<TestForm> &) {});
    return info;
}

const TkavClassInfo &TestWidget::StaticClassInfo()
{
    static const TkavClassInfo info = kavMakeClassInfo<TestWidget, TComponent>(
        u"TTestWidget"_s, [](TkavPropBuilder<TestWidget> &) {});
    return info;
}

namespace {

TEST_F(ClassesScripts, HostFormsShowTheirComponentsAsMembers)
{
    TestForm form;
    form.SetName(u"Form1"_s);
    auto button = std::make_unique<TComponent>();
    button->SetName(u"Button1"_s);
    TComponent *buttonRef = form.InsertComponent(std::move(button));
    form.InsertComponent(std::make_unique<TComponent>()); // unnamed: no member
    TestWidget plain; // a component class unknown to scripts that is no form
    plain.SetName(u"Plain"_s);

    script.Clear();
    script.AddForm(form);
    script.AddComponent(plain); // not a form: nothing is added
    ASSERT_NE(script.FindClass(u"TTestForm"), nullptr);
    EXPECT_EQ(script.FindClass(u"TTestForm")->Ancestor(), u"TForm"_s);
    EXPECT_EQ(script.FindClass(u"TTestForm")->MembersCount(),
              TestForm::StaticClassInfo().Props().size() + 1);
    EXPECT_EQ(kyRunOutcome(script, shown, u"PascalScript"_s, uR"(
begin
  ShowMessage(Form1.Button1.Name); Form1.Button1.Tag := 5;
  ShowMessage(Form1.Button1.Owner.Name);
end.)"_s)
                  .toStdString(),
              "Button1 Form1");
    EXPECT_EQ(buttonRef->Tag(), 5);
    EXPECT_EQ(script.Find(u"Plain"), nullptr);
}

TEST_F(ClassesScripts, JScriptUsesTheClasses)
{
    EXPECT_EQ(run(u"JScript"_s, uR"(
var L = new TStringList;
L.Add("b"); L.Add("a=1"); L.Sort();
ShowMessage(L.CommaText); ShowMessage(L.Values["a"]);
var Lst = new TList; Lst.Add(L); ShowMessage(Lst.Count);
var S = new TMemoryStream; S.Write("xyz", 9); ShowMessage(S.Size);
HostList.Free();
)"_s),
              "a=1,b 1 1 3 runtime error: Cannot free this object");
}

TEST_F(ClassesScripts, CppScriptUsesTheClasses)
{
    EXPECT_EQ(run(u"C++Script"_s, uR"(
TMemoryStream S = new TMemoryStream;
TStringList L = new TStringList;
String buf;
{
  S.Write("abcdef", 6);
  S.Seek(1, soFromBeginning);
  buf = "....";
  ShowMessage(S.Read(buf, 99));
  ShowMessage(buf);
  L.CommaText = "x,y";
  delete L;
  ShowMessage(L.Count);
})"_s),
              "4 bcde runtime error: Invalid object reference");
}

} // namespace

namespace {

TEST(ClassesModule, RegistersTheClassesWithTheirAncestors)
{
    TkyScript script;
    kyPrepareLibraryScript(script);
    kyExpectAncestors(script,
                      {
                          {u"TObject", u""},
                          {u"TPersistent", u"TObject"},
                          {u"TList", u"TObject"},
                          {u"TStrings", u"TPersistent"},
                          {u"TStringList", u"TStrings"},
                          {u"TStream", u"TObject"},
                          {u"TFileStream", u"TStream"},
                          {u"TMemoryStream", u"TStream"},
                          {u"TkyXMLItem", u"TObject"},
                          {u"TkyXMLDocument", u"TObject"},
                          {u"TComponent", u"TPersistent"},
                          {u"TCollection", u"TPersistent"},
                          {u"TCollectionItem", u"TPersistent"},
                      });
}

} // namespace
