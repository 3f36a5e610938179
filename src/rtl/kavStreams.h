#pragma once

// Byte streams: the abstract TStream and its memory and file kinds, plus the unique
// temporary file that XML swap files and picture-cache segments live in.

#include "kavObject.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

enum TSeekOrigin : int {
    soBeginning,
    soCurrent,
    soEnd
};

class TStream : public TObject
{
public:
    virtual ~TStream() = default;

    // Reads up to count bytes; returns how many were read (0 at the end).
    virtual qint64 Read(void *buffer, qint64 count) = 0;
    // Writes count bytes; returns how many were written.
    virtual qint64 Write(const void *buffer, qint64 count) = 0;
    // Moves the position; returns the new position.
    virtual qint64 Seek(qint64 offset, TSeekOrigin origin) = 0;
    virtual qint64 Size();
    virtual void SetSize(qint64 size) = 0;

    qint64 Position() { return Seek(0, soCurrent); }
    void SetPosition(qint64 position) { Seek(position, soBeginning); }

    // Exactly count bytes or EReadError / EWriteError.
    void ReadBuffer(void *buffer, qint64 count);
    void WriteBuffer(const void *buffer, qint64 count);
    void WriteBytes(const QByteArray &bytes) { WriteBuffer(bytes.constData(), bytes.size()); }
    // Copies count bytes from source at its position (count 0: all of source from its start).
    qint64 CopyFrom(TStream &source, qint64 count);
};

// A stream over a byte array in memory.
class TMemoryStream : public TStream
{
public:
    TMemoryStream() = default;
    explicit TMemoryStream(QByteArray data) : FData(std::move(data)) {}

    qint64 Read(void *buffer, qint64 count) override;
    qint64 Write(const void *buffer, qint64 count) override;
    qint64 Seek(qint64 offset, TSeekOrigin origin) override;
    qint64 Size() override { return FData.size(); }
    void SetSize(qint64 size) override;

    void Clear();
    const QByteArray &Data() const { return FData; }
    void LoadFromFile(const QString &fileName);
    void SaveToFile(const QString &fileName) const;

private:
    QByteArray FData;
    qint64 FPosition = 0;
};

// Open modes of TFileStream.
enum TFileMode : int {
    fmOpenRead,      // existing file, read only
    fmOpenWrite,     // existing file, write only
    fmOpenReadWrite, // existing file, read and write
    fmCreate         // new or truncated file, read and write
};

// A stream over a file on disk. Opening failures raise EFOpenError / EFCreateError.
class TFileStream : public TStream
{
public:
    TFileStream(const QString &fileName, TFileMode mode);
    ~TFileStream() override;

    qint64 Read(void *buffer, qint64 count) override;
    qint64 Write(const void *buffer, qint64 count) override;
    qint64 Seek(qint64 offset, TSeekOrigin origin) override;
    qint64 Size() override;
    void SetSize(qint64 size) override;

    const QString &FileName() const { return FFileName; }
    // Flushes to disk; raises EWriteError when the system reports a failure.
    void Flush();

protected:
    explicit TFileStream(int fd, QString fileName);

private:
    int FHandle = -1;
    QString FFileName;
};

// A uniquely named temporary file (mode 0600) that is deleted when the stream is destroyed.
class TTempFileStream : public TFileStream
{
public:
    ~TTempFileStream() override;
    // Creates "<prefix>XXXXXX" in dir when dir names an existing folder, else in the
    // system's temporary folder.
    static std::unique_ptr<TTempFileStream> Create(const QString &dir, const QString &prefix);

private:
    using TFileStream::TFileStream;
};

// The folder for temporary files: dir when it exists, else the system's temporary folder.
QString kavTempFolder(const QString &dir);

// Writes fileName through write: the text goes to a unique file beside the target, which
// replaces the target only once everything was written. On any error the old file stays as
// it was and the error propagates (EFCreateError, EWriteError or write's own).
void kavWriteFileAtomically(const QString &fileName, const std::function<void(TStream &)> &write);
