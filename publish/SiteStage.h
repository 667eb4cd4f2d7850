#pragma once
// The staging folder of the published site: the files as last written,
// which the upload sends from.
//
// write() replaces exactly the files whose content differs from what it
// last wrote there (compared byte for byte, as a host may keep neither times
// nor hashes, and a changed file can keep its size) and names them; a file
// that did not change is not touched.  forget() makes the next write count
// every file as changed (a new target holds none of them).  Used by one
// thread at a time; touches nothing outside its folder.  Qt Core only.
#include "ResultsSite.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <vector>

class SiteStage {
public:
    explicit SiteStage(QString folder);

    QString folder() const { return m_folder; }

    // Writes the files that changed and returns their names, in the order
    // given.  When a file cannot be written, stops there with the reason in
    // `error` and returns the files written before it; the failed file and
    // the rest count as changed at the next write.
    QStringList write(const std::vector<SiteFile> &files, QString *error);
    void forget();

private:
    QString m_folder;
    QHash<QString, QByteArray> m_written;  // each file's bytes as last written
};
