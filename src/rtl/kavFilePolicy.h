#pragma once

// The process-wide file-access policy: every file a script or report reads or writes on a
// user's behalf is checked here first. Trusted (the default, the desktop designer) allows
// everything; restricted allows only files inside a list of root folders, judged on the
// real path (symbolic links resolved, ".." applied), so a name cannot escape its roots.

#include <QString>
#include <QStringList>

#include <mutex>

class TkavFilePolicy
{
public:
    // True when every path is allowed.
    bool Trusted() const;
    void SetTrusted();
    // Only files inside these folders (and the folders themselves) are allowed. Relative
    // roots are taken from the current folder; an empty list allows nothing.
    void SetRestricted(const QStringList &roots);
    // The roots in their resolved form (empty when trusted).
    QStringList Roots() const;
    // Whether path may be read (write false) or written (write true).
    bool IsAllowed(const QString &path, bool write) const;

private:
    mutable std::mutex FLock;
    bool FTrusted = true;
    QStringList FRoots;
};

// The one policy of the process.
TkavFilePolicy &kavFilePolicy();

// Raises EkavError naming the path when the policy refuses access to it.
void kavCheckFileAccess(const QString &path, bool write);

// The real absolute form of path: symbolic links resolved, "." and ".." applied, also for
// files and folders that do not exist yet (their existing ancestor is resolved). Empty when
// a dangling symbolic link is met, since its target cannot be judged.
QString kavRealPath(const QString &path);
