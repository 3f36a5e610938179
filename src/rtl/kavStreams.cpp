#include "kavStreams.h"

#include "kavExceptions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

// --- TStream ---

qint64 TStream::Size()
{
    const qint64 pos = Seek(0, soCurrent);
    const qint64 size = Seek(0, soEnd);
    Seek(pos, soBeginning);
    return size;
}

void TStream::ReadBuffer(void *buffer, qint64 count)
{
    if (count > 0 && Read(buffer, count) != count)
        throw EReadError(QStringLiteral("Stream read error"));
}

void TStream::WriteBuffer(const void *buffer, qint64 count)
{
    if (count > 0 && Write(buffer, count) != count)
        throw EWriteError(QStringLiteral("Stream write error"));
}

qint64 TStream::CopyFrom(TStream &source, qint64 count)
{
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    char buffer[65536];
    qint64 left = count;
    while (left > 0) {
        const qint64 n = qMin<qint64>(left, sizeof buffer);
        source.ReadBuffer(buffer, n);
        WriteBuffer(buffer, n);
        left -= n;
    }
    return count;
}

// --- TMemoryStream ---

qint64 TMemoryStream::Read(void *buffer, qint64 count)
{
    const qint64 n = qBound<qint64>(0, qMin(count, FData.size() - FPosition), count);
    if (n > 0) {
        std::memcpy(buffer, FData.constData() + FPosition, size_t(n));
        FPosition += n;
    }
    return n;
}

qint64 TMemoryStream::Write(const void *buffer, qint64 count)
{
    if (count <= 0)
        return 0;
    if (FPosition + count > FData.size())
        SetSize(FPosition + count);
    std::memcpy(FData.data() + FPosition, buffer, size_t(count));
    FPosition += count;
    return count;
}

qint64 TMemoryStream::Seek(qint64 offset, TSeekOrigin origin)
{
    qint64 base = origin == soBeginning ? 0 : origin == soCurrent ? FPosition : FData.size();
    FPosition = qMax<qint64>(0, base + offset);
    return FPosition;
}

void TMemoryStream::SetSize(qint64 size)
{
    const qint64 old = FData.size();
    FData.resize(qMax<qint64>(0, size));
    if (FData.size() > old) // growth reads as zeros, never as stale heap bytes
        std::memset(FData.data() + old, 0, size_t(FData.size() - old));
    FPosition = qMin(FPosition, FData.size());
}

void TMemoryStream::Clear()
{
    FData.clear();
    FPosition = 0;
}

void TMemoryStream::LoadFromFile(const QString &fileName)
{
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        throw EFOpenError(
            QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, f.errorString()));
    FData = f.readAll();
    FPosition = 0;
}

void TMemoryStream::SaveToFile(const QString &fileName) const
{
    TFileStream f(fileName, fmCreate);
    f.WriteBuffer(FData.constData(), FData.size());
}

// --- TFileStream ---

TFileStream::TFileStream(const QString &fileName, TFileMode mode)
    : FFileName(fileName)
{
    static const int flags[] = {O_RDONLY, O_WRONLY, O_RDWR, O_RDWR | O_CREAT | O_TRUNC};
    FHandle = ::open(QFile::encodeName(fileName).constData(), flags[mode] | O_CLOEXEC, 0644);
    if (FHandle < 0) {
        const QString text = (mode == fmCreate ? QStringLiteral("Cannot create file \"%1\". %2")
                                               : QStringLiteral("Cannot open file \"%1\". %2"))
                                 .arg(QDir::toNativeSeparators(fileName), systemError());
        if (mode == fmCreate)
            throw EFCreateError(text);
        throw EFOpenError(text);
    }
}

TFileStream::TFileStream(int fd, QString fileName)
    : FHandle(fd)
    , FFileName(std::move(fileName))
{}

TFileStream::~TFileStream()
{
    if (FHandle >= 0)
        ::close(FHandle);
}

qint64 TFileStream::Read(void *buffer, qint64 count)
{
    qint64 done = 0;
    while (done < count) {
        const ssize_t n = ::read(FHandle, static_cast<char *>(buffer) + done, size_t(count - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw EReadError(QStringLiteral("Stream read error: %1").arg(systemError()));
        if (n == 0)
            break;
        done += n;
    }
    return done;
}

qint64 TFileStream::Write(const void *buffer, qint64 count)
{
    qint64 done = 0;
    while (done < count) {
        const ssize_t n
            = ::write(FHandle, static_cast<const char *>(buffer) + done, size_t(count - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw EWriteError(QStringLiteral("Stream write error: %1").arg(systemError()));
        done += n;
    }
    return done;
}

qint64 TFileStream::Seek(qint64 offset, TSeekOrigin origin)
{
    static const int whence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
    const off_t r = ::lseek(FHandle, off_t(offset), whence[origin]);
    if (r < 0)
        throw EStreamError(QStringLiteral("Stream seek error: %1").arg(systemError()));
    return r;
}

qint64 TFileStream::Size()
{
    struct stat st;
    if (::fstat(FHandle, &st) != 0)
        throw EStreamError(systemError());
    return st.st_size;
}

void TFileStream::SetSize(qint64 size)
{
    if (::ftruncate(FHandle, off_t(size)) != 0)
        throw EWriteError(QStringLiteral("Stream write error: %1").arg(systemError()));
}

void TFileStream::Flush()
{
    if (::fsync(FHandle) != 0 && errno != EINVAL)
        throw EWriteError(QStringLiteral("Stream write error: %1").arg(systemError()));
}

// --- TTempFileStream ---

TTempFileStream::~TTempFileStream()
{
    ::unlink(QFile::encodeName(FileName()).constData());
}

std::unique_ptr<TTempFileStream> TTempFileStream::Create(const QString &dir, const QString &prefix)
{
    const QString folder = kavTempFolder(dir);
    QByteArray path = QFile::encodeName(QDir(folder).filePath(prefix + QStringLiteral("XXXXXX")));
    const int fd = ::mkostemp(path.data(), O_CLOEXEC); // O_EXCL, mode 0600
    if (fd < 0)
        throw EFCreateError(QStringLiteral("Cannot create a temporary file in \"%1\". %2")
                                .arg(folder, systemError()));
    return std::unique_ptr<TTempFileStream>(new TTempFileStream(fd, QFile::decodeName(path)));
}

QString kavTempFolder(const QString &dir)
{
    if (!dir.isEmpty() && QFileInfo(dir).isDir())
        return dir;
    return QDir::tempPath();
}

namespace {

// A new file beside a target that replaces the target on Commit and is removed otherwise.
// Every write is checked (a file device can report a cut-off file as written).
class TReplacingFileStream : public TFileStream
{
public:
    static std::unique_ptr<TReplacingFileStream> Create(const QString &target)
    {
        const QFileInfo info(target);
        if (!info.absoluteDir().exists())
            throw EFCreateError(QStringLiteral("Cannot create file \"%1\". The folder does not exist")
                                    .arg(target));
        QByteArray path = QFile::encodeName(info.absoluteFilePath() + QStringLiteral(".XXXXXX"));
        const int fd = ::mkostemp(path.data(), O_CLOEXEC);
        if (fd < 0)
            throw EFCreateError(QStringLiteral("Cannot create file \"%1\". %2").arg(target, systemError()));
        return std::unique_ptr<TReplacingFileStream>(
            new TReplacingFileStream(fd, QFile::decodeName(path)));
    }
    ~TReplacingFileStream() override
    {
        if (!FCommitted)
            ::unlink(QFile::encodeName(FileName()).constData());
    }

    void Commit(const QString &target)
    {
        Flush();
        // The new file takes the old one's permissions, else the usual ones for new files.
        struct stat old {};
        const QByteArray targetPath = QFile::encodeName(target);
        mode_t mode;
        if (::stat(targetPath.constData(), &old) == 0) {
            mode = old.st_mode & 07777;
        } else {
            const mode_t mask = ::umask(0);
            ::umask(mask);
            mode = 0666 & ~mask;
        }
        const QByteArray path = QFile::encodeName(FileName());
        if (::chmod(path.constData(), mode) != 0 || ::rename(path.constData(), targetPath.constData()) != 0)
            throw EWriteError(QStringLiteral("Stream write error: %1").arg(systemError()));
        FCommitted = true;
    }

private:
    using TFileStream::TFileStream;
    bool FCommitted = false;
};

} // namespace

void kavWriteFileAtomically(const QString &fileName, const std::function<void(TStream &)> &write)
{
    std::unique_ptr<TReplacingFileStream> file = TReplacingFileStream::Create(fileName);
    try {
        write(*file);
        file->Commit(fileName);
    } catch (EStreamError &e) {
        // The system's reason alone ("File too large") does not say which save failed.
        if (!e.Message().contains(fileName))
            e.SetMessage(QStringLiteral("Cannot write file \"%1\". %2").arg(fileName, e.Message()));
        throw;
    }
}
