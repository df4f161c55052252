#pragma once

#include "munzip.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <vector>

namespace quillbrook {

struct ComponentCallbacks;

// The program's handle on one zip archive: its extraction settings, the
// listing of its entries, and the extraction of all of them or of the
// selected ones. What happens during a run arrives as the events below; they
// are raised synchronously, so a handler on a direct connection may change
// the by-reference answers, which are read back when it returns. Only one
// Unzip or Directory may run at a time, and none from an event handler.
class cUnzip : public QObject {
    Q_OBJECT

public:
    explicit cUnzip(QObject* parent = nullptr);

    bool ExtractOnlyNewer() const;
    void setExtractOnlyNewer(bool bState);
    bool SpaceToUnderScore() const;
    void setSpaceToUnderScore(bool bState);
    bool PromptToOverwrite() const;
    void setPromptToOverwrite(bool bState);
    int MessageLevel() const;
    void setMessageLevel(int eLevel);
    bool TestZip() const;
    void setTestZip(bool bState);
    bool UseFolderNames() const;
    void setUseFolderNames(bool bState);
    bool OverwriteExisting() const;
    void setOverwriteExisting(bool bState);
    bool ConvertCRToCRLF() const;
    void setConvertCRToCRLF(bool bState);
    bool CaseSensitiveFileNames() const;
    void setCaseSensitiveFileNames(bool bState);

    // The listed entries, numbered from 1; any other index fails with error 9.
    int FileCount() const;
    QString Filename(int lIndex) const;
    QString FileDirectory(int lIndex) const;
    int FileSize(int lIndex) const;
    // Size times the compression factor, divided by 100; error 6 when the
    // product leaves the 32-bit range.
    int FilePackedSize(int lIndex) const;
    int FileCompressionRatio(int lIndex) const;
    QDateTime FileDate(int lIndex) const;
    int FileCRC(int lIndex) const;
    QString FileCompressionMethod(int lIndex) const;
    bool FileEncrypted(int lIndex) const;
    bool FileSelected(int lIndex) const;
    void setFileSelected(int lIndex, bool bState);

    // Appends every entry of the archive to the listing, all of them selected.
    void Directory();
    // Extracts the selected entries (every entry when all are selected or none
    // is listed). True when the component reported a problem, false after a
    // clean run or when no archive was named.
    bool Unzip();

    void setUnzipFolder(const QString& sFolder);
    QString UnzipFolder() const;
    QString ZipFile() const;
    // dDate is left as the caller passed it.
    void GetVersion(int& lMajor, int& lMinor, int& lRevision, QDateTime& dDate,
                    QString& sExtraInfo);
    // Names the archive and empties the listing.
    void setZipFile(const QString& sFIle);

signals:
    void Cancel(const QString& sMsg, bool& bCancel);
    void OverwritePrompt(const QString& sFIle, int& eResponse);
    void PasswordRequest(QString& sPassword, bool& bCancel);
    void Progress(int lCount, const QString& sMsg);

private:
    friend struct ComponentCallbacks;

    struct ListingEntry {
        QString Name;
        QString Folder;
        int Size = 0;
        int Factor = 0;
        QString Method;
        QDateTime Date;
        int CRC = 0;
        bool Encrypted = false;
        bool Selected = true;
    };

    void AddListedEntry(const QString& name, const QString& folder, const QDateTime& date, int size,
                        int crc, bool encrypted, int factor, const QString& method);
    void RequestOverwrite(const QString& path, int& answer);
    void ReportProgress(const QString& message);
    void RequestCancel(const QString& path, bool& cancel);
    void RequestPassword(QString& password, bool& cancel);

    static QString EntryPath(const QString& folder, const QString& name);
    const ListingEntry& entry(int lIndex) const;
    ListingEntry& entry(int lIndex);

    QString zipFile_;
    QString unzipFolder_;
    mUnzip::OptionsRecord options_;
    std::vector<ListingEntry> listing_;
};

} // namespace quillbrook
