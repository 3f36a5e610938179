#include "kavFilePolicy.h"

#include "kavExceptions.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {

// Symbolic links followed in one resolution before the path counts as a loop.
constexpr int maxLinkHops = 40;

bool isInside(const QString &path, const QString &root)
{
    if (root == u"/"_s)
        return path.startsWith(u'/');
    return path == root || (path.startsWith(root) && path.at(root.size()) == u'/');
}

} // namespace

// Resolves component by component, so ".." climbs from where a link really led and a link
// met later is resolved too; a tail that does not exist yet is appended as written.
QString kavRealPath(const QString &path)
{
    if (path.isEmpty())
        return QString();
    QStringList pending = QDir::fromNativeSeparators(QDir::current().absoluteFilePath(path))
                              .split(u'/', Qt::SkipEmptyParts);
    QString real = u"/"_s;
    int hops = 0;
    auto join = [](const QString &dir, const QString &name) {
        return dir == u"/" ? u"/"_s + name : dir + u'/' + name;
    };
    while (!pending.isEmpty()) {
        const QString part = pending.takeFirst();
        if (part == u".")
            continue;
        if (part == u"..") {
            const qsizetype slash = real.lastIndexOf(u'/');
            real = slash <= 0 ? u"/"_s : real.left(slash);
            continue;
        }
        const QString next = join(real, part);
        const QFileInfo info(next);
        if (info.isSymLink()) {
            if (++hops > maxLinkHops)
                return QString();
            const QString target = info.symLinkTarget();
            if (target.isEmpty() || !QFileInfo::exists(target))
                return QString(); // dangling: where a write would land cannot be judged
            pending = target.split(u'/', Qt::SkipEmptyParts) + pending;
            real = u"/"_s;
            continue;
        }
        real = next;
    }
    return real;
}

bool TkavFilePolicy::Trusted() const
{
    std::lock_guard guard(FLock);
    return FTrusted;
}

void TkavFilePolicy::SetTrusted()
{
    std::lock_guard guard(FLock);
    FTrusted = true;
    FRoots.clear();
}

void TkavFilePolicy::SetRestricted(const QStringList &roots)
{
    QStringList resolved;
    for (const QString &root : roots) {
        const QString real = kavRealPath(root.isEmpty() ? u"."_s : root);
        if (!real.isEmpty())
            resolved << real;
    }
    std::lock_guard guard(FLock);
    FTrusted = false;
    FRoots = resolved;
}

QStringList TkavFilePolicy::Roots() const
{
    std::lock_guard guard(FLock);
    return FRoots;
}

bool TkavFilePolicy::IsAllowed(const QString &path, bool /*write*/) const
{
    QStringList roots;
    {
        std::lock_guard guard(FLock);
        if (FTrusted)
            return true;
        roots = FRoots;
    }
    const QString real = kavRealPath(path);
    if (real.isEmpty())
        return false;
    for (const QString &root : roots)
        if (isInside(real, root))
            return true;
    return false;
}

TkavFilePolicy &kavFilePolicy()
{
    static TkavFilePolicy policy;
    return policy;
}

void kavCheckFileAccess(const QString &path, bool write)
{
    if (kavFilePolicy().IsAllowed(path, write))
        return;
    const QString shown = QDir::toNativeSeparators(path);
    throw EkavError(
        write
            ? u"Writing the file \"%1\" is not allowed: it lies outside the folders this run may use"_s
                  .arg(shown)
            : u"Reading the file \"%1\" is not allowed: it lies outside the folders this run may use"_s
                  .arg(shown));
}
