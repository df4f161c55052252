#include "filetree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace quillbrook::test {

namespace {

// Root passes permission bits through these two capabilities.
constexpr unsigned permissionBypass = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);

bool changeEffectiveCapabilities(bool lower) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (syscall(SYS_capget, &header, data) != 0)
        return false;
    if (lower)
        data[0].effective &= ~permissionBypass;
    else
        data[0].effective |= data[0].permitted & permissionBypass;
    return syscall(SYS_capset, &header, data) == 0;
}

bool canList(const QString& folder) {
    DIR* directory = opendir(QFile::encodeName(folder).constData());
    if (directory)
        closedir(directory);
    return directory != nullptr;
}

} // namespace

void makeTree(const QString& root, const QStringList& entries) {
    for (const QString& entry : entries) {
        const QString path = root + QLatin1Char('/') + entry;
        if (entry.endsWith(QLatin1Char('/'))) {
            QVERIFY2(QDir().mkpath(path), qPrintable(path));
            continue;
        }
        QVERIFY2(QDir().mkpath(QFileInfo(path).path()), qPrintable(path));
        QFile file(path);
        QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
        file.write(entry.toUtf8());
    }
}

void makeLink(const QString& target, const QString& linkPath) {
    QVERIFY2(symlink(QFile::encodeName(target).constData(),
                     QFile::encodeName(linkPath).constData()) == 0,
             qPrintable(linkPath));
}

QString makeDeepChain(const QString& root, int depth, const QStringList& files) {
    int folder = open(QFile::encodeName(root).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    QString path = root;
    for (int level = 0; level < depth && folder >= 0; ++level) {
        const int below = mkdirat(folder, "d", 0700) == 0
                              ? openat(folder, "d", O_RDONLY | O_DIRECTORY | O_CLOEXEC)
                              : -1;
        close(folder);
        folder = below;
        path += QStringLiteral("/d");
    }
    if (folder < 0)
        return {};
    bool made = true;
    for (const QString& name : files) {
        const int file = openat(folder, QFile::encodeName(name).constData(),
                                O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        made = made && file >= 0 && close(file) == 0;
    }
    close(folder);
    return made ? path : QString();
}

void removeDeepChain(const QString& root) {
    int folder = open(QFile::encodeName(root).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    int depth = 0;
    for (int below;
         folder >= 0 &&
         (below = openat(folder, "d", O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)) >= 0;
         ++depth) {
        close(folder);
        folder = below;
    }
    if (folder < 0)
        return;
    if (DIR* deepest = fdopendir(dup(folder))) {
        while (const dirent* entry = readdir(deepest))
            if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
                unlinkat(folder, entry->d_name, 0);
        closedir(deepest);
    }
    for (; depth > 0 && folder >= 0; --depth) {
        const int above = openat(folder, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        close(folder);
        folder = above;
        unlinkat(folder, "d", AT_REMOVEDIR);
    }
    if (folder >= 0)
        close(folder);
}

void makeFanOutChain(const QString& root, int levels) {
    for (int level = 1; level <= levels; ++level) {
        const QString folder = root + QStringLiteral("/L%1").arg(level);
        makeTree(root, {QStringLiteral("L%1/%1.mobi").arg(level)});
        if (level == levels)
            continue;
        const QString next = QStringLiteral("../L%1").arg(level + 1);
        makeLink(next, folder + QStringLiteral("/a"));
        makeLink(next, folder + QStringLiteral("/b"));
    }
}

NativeNamedFolder::NativeNamedFolder(const QString& parent, const QByteArray& name,
                                     const QByteArray& fileName)
    : folder_(QFile::encodeName(parent) + '/' + name), file_(folder_ + '/' + fileName) {
    if (mkdir(folder_.constData(), 0700) != 0)
        return;
    const int descriptor = creat(file_.constData(), 0600);
    made_ = descriptor >= 0 && close(descriptor) == 0;
}

NativeNamedFolder::~NativeNamedFolder() {
    unlink(file_.constData());
    rmdir(folder_.constData());
}

RefusedAccess::RefusedAccess(QString folder) : folder_(std::move(folder)) {
    chmod(QFile::encodeName(folder_).constData(), 0);
    if (geteuid() == 0)
        loweredCapabilities_ = changeEffectiveCapabilities(true);
    refused_ = !canList(folder_);
}

RefusedAccess::~RefusedAccess() {
    if (loweredCapabilities_)
        changeEffectiveCapabilities(false);
    chmod(QFile::encodeName(folder_).constData(), 0700);
}

} // namespace quillbrook::test
