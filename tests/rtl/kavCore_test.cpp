// Exceptions, object handles, case folding and streams.
#include <rtl/kavCaseFold.h>
#include <rtl/kavExceptions.h>
#include <rtl/kavObject.h>
#include <rtl/kavStreams.h>

#include <kavFileSizeLimit.h>

#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

TEST(Exceptions, ClassNameFollowsTheMostDerivedClassAndMessageSurvivesUtf8)
{
    bool caught = false;
    try {
        kavRaise<EZeroDivide>(u"Floating point division by zero"_s);
    } catch (const EMathError &e) {
        caught = true;
        EXPECT_STREQ(e.ClassName(), "EZeroDivide");
        EXPECT_EQ(e.Message(), u"Floating point division by zero"_s);
    }
    EXPECT_TRUE(caught);
    const EkavError e(QString::fromUtf8("Relatório inválido"));
    EXPECT_EQ(QString::fromUtf8(e.what()), e.Message());
    const Exception &base = e;
    EXPECT_STREQ(base.ClassName(), "EkavError");
}

TEST(ObjectHandles, LiveObjectsResolveAndDeadOnesDoNot)
{
    EXPECT_EQ(TObject::FromHandle(0), nullptr);
    quint64 stale = 0;
    {
        TObject a, b;
        const quint64 ha = a.Handle();
        EXPECT_NE(ha, 0u);
        EXPECT_EQ(a.Handle(), ha); // stable
        EXPECT_NE(b.Handle(), ha);
        EXPECT_EQ(TObject::FromHandle(ha), &a);
        EXPECT_EQ(TObject::FromHandle(b.Handle()), &b);
        stale = ha;
    }
    EXPECT_EQ(TObject::FromHandle(stale), nullptr);
    // A new object at possibly the same address never inherits the old handle.
    TObject c;
    EXPECT_NE(c.Handle(), stale);
    EXPECT_EQ(TObject::FromHandle(stale), nullptr);
    EXPECT_EQ(TObject::FromHandle(0xFFFFFFFFFFull), nullptr);
}

TEST(CaseFold, FoldingKeepsTheLength)
{
    struct Row { const char *in, *upper, *lower; };
    const Row rows[] = {
        {"Left", "LEFT", "left"},
        {"straße", "STRAßE", "straße"}, // ß has no one-unit upper case: it stays
        {"Ação", "AÇÃO", "ação"},
        {"", "", ""},
        {"a1_Z", "A1_Z", "a1_z"},
    };
    for (const Row &r : rows) {
        const QString in = QString::fromUtf8(r.in);
        EXPECT_EQ(kavUpperCase(in), QString::fromUtf8(r.upper)) << r.in;
        EXPECT_EQ(kavLowerCase(in), QString::fromUtf8(r.lower)) << r.in;
        EXPECT_EQ(kavUpperCase(in).size(), in.size()) << r.in;
    }
}

TEST(CaseFold, CompareAndHashIgnoreCaseOnly)
{
    EXPECT_TRUE(kavSameText(u"MemoView", u"MEMOVIEW"));
    EXPECT_TRUE(kavSameText(QString::fromUtf8("ÇÃO"), QString::fromUtf8("ção")));
    EXPECT_FALSE(kavSameText(u"Memo1", u"Memo2"));
    EXPECT_FALSE(kavSameText(u"Memo", u"Memo1"));
    EXPECT_EQ(kavCompareText(u"abc", u"ABC"), 0);
    EXPECT_LT(kavCompareText(u"abc", u"ABD"), 0);
    EXPECT_GT(kavCompareText(u"b", u"A"), 0);
    EXPECT_LT(kavCompareText(u"ab", u"ABC"), 0);
    EXPECT_EQ(kavHashText(u"Report"), kavHashText(u"REPORT"));
    EXPECT_NE(kavHashText(u"Report"), kavHashText(u"Reports"));
}

TEST(MemoryStream, ReadWriteSeekAndShortReads)
{
    TMemoryStream s;
    s.WriteBytes("hello");
    EXPECT_EQ(s.Size(), 5);
    EXPECT_EQ(s.Position(), 5);
    s.Seek(-2, soEnd);
    char buf[8] = {};
    EXPECT_EQ(s.Read(buf, 8), 2);
    EXPECT_STREQ(buf, "lo");
    EXPECT_EQ(s.Read(buf, 8), 0);
    s.SetPosition(7); // past the end: writing fills the gap with zeros
    s.WriteBytes("!");
    EXPECT_EQ(s.Data(), QByteArray("hello\0\0!", 8));
    s.SetPosition(6);
    EXPECT_THROW(s.ReadBuffer(buf, 4), EReadError);
    s.SetSize(2);
    EXPECT_EQ(s.Position(), 2);
    EXPECT_EQ(s.Data(), QByteArray("he"));
}

TEST(FileStream, CreateReopenAndCopy)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"a.bin"_s);
    {
        TFileStream f(path, fmCreate);
        f.WriteBytes("0123456789");
        EXPECT_EQ(f.Size(), 10);
    }
    TFileStream r(path, fmOpenRead);
    r.Seek(3, soBeginning);
    TMemoryStream m;
    EXPECT_EQ(m.CopyFrom(r, 4), 4);
    EXPECT_EQ(m.Data(), QByteArray("3456"));
    EXPECT_EQ(m.CopyFrom(r, 0), 10); // 0 copies the whole source
    EXPECT_EQ(m.Data(), QByteArray("34560123456789"));
    EXPECT_THROW(r.WriteBytes("x"), EWriteError);
    EXPECT_THROW(TFileStream(dir.filePath(u"missing"_s), fmOpenRead), EFOpenError);
    EXPECT_THROW(TFileStream(dir.filePath(u"no/such/dir/x"_s), fmCreate), EFCreateError);
}

TEST(TempFileStream, UniquePrivateAndRemovedByItsOwner)
{
    QTemporaryDir dir;
    QString first;
    {
        auto a = TTempFileStream::Create(dir.path(), u"kv"_s);
        auto b = TTempFileStream::Create(dir.path(), u"kv"_s);
        first = a->FileName();
        EXPECT_NE(first, b->FileName());
        EXPECT_TRUE(QFileInfo(first).fileName().startsWith(u"kv"_s));
        EXPECT_EQ(QFileInfo(first).absolutePath(), QDir(dir.path()).absolutePath());
        struct stat st;
        ASSERT_EQ(::stat(QFile::encodeName(first).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u);
        a->WriteBytes("swap");
        a->SetPosition(0);
        char buf[4];
        a->ReadBuffer(buf, 4);
        EXPECT_EQ(QByteArray(buf, 4), QByteArray("swap"));
    }
    EXPECT_FALSE(QFile::exists(first));
    // A folder that does not exist falls back to the system's temporary folder.
    auto c = TTempFileStream::Create(dir.filePath(u"missing"_s), u"kvPic"_s);
    EXPECT_EQ(QFileInfo(c->FileName()).absolutePath(), QDir(QDir::tempPath()).absolutePath());
}

// Replacing a file: the old one stays until the new one is complete, whatever fails.
TEST(AtomicWrite, ReplacesOnlyACompleteFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"report.kw3"_s);
    const auto readAll = [&path] {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    const auto writeBytes = [&path](const QByteArray &bytes) {
        kavWriteFileAtomically(path, [&bytes](TStream &s) { s.WriteBytes(bytes); });
    };
    writeBytes("first");
    ASSERT_EQ(readAll(), QByteArray("first"));
    ::chmod(QFile::encodeName(path).constData(), 0640);
    writeBytes("second");
    EXPECT_EQ(readAll(), QByteArray("second"));
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u) << "the replaced file keeps its permissions";

    // The writer fails half-way.
    EXPECT_THROW(kavWriteFileAtomically(path,
                                        [](TStream &s) {
                                            s.WriteBytes("partial");
                                            throw EWriteError(u"disk full"_s);
                                        }),
                 EWriteError);
    EXPECT_EQ(readAll(), QByteArray("second"));
    // The system refuses to write beyond a size limit: a file cut off is not a file saved.
    {
        FileSizeLimit limit(100);
        EXPECT_THROW(writeBytes(QByteArray(4096, 'x')), EWriteError);
    }
    EXPECT_EQ(readAll(), QByteArray("second"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({u"report.kw3"_s}));
    EXPECT_THROW(kavWriteFileAtomically(dir.filePath(u"no/such/folder/x.kw3"_s), [](TStream &) {}),
                 EFCreateError);
}
