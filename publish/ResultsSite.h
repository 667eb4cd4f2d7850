#pragma once
// The published results site: the files a static web host serves.
//
// index.html holds the whole ranking, kategorie-<name>.html each category
// (both written by the page renderer of tikomat-results --html, complete
// without a script), results.json the same JSON as the results page on the
// local network, results.js that page's own script, which the pages run to
// read results.json again every few seconds, and the icon.  Every link is
// relative, so the site works from any folder of any host.
//
// Pure: builds names and bytes, touches no file.  Qt Core only.
#include "ResultsSnapshot.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <vector>

struct SiteFile {
    QString name;  // relative to the site's folder
    QByteArray bytes;
};

struct SiteContent {
    // What results.json carries; its version is set from `updated`.
    ResultsSnapshot snapshot;
    // When these results were last changed: the pages say it ("Aktualizováno
    // 14:42:05"), and the same results always give the same bytes.
    QDateTime updated;
    int refreshSeconds = 15;  // between the pages' reads of results.json
};

// The site's files, index.html first.
std::vector<SiteFile> ResultsSiteFiles(const SiteContent &content);

// The file names of the categories' pages, in the order of the names given:
// "kategorie-" and the name without diacritics, in small letters, every run
// of other characters one "-", cut to 40 characters; a name that gives an
// empty or an already given file name gets "-2", "-3", ...  Safe on any
// storage: ASCII letters, digits and "-" only.
QStringList CategoryPageNames(const QStringList &categories);

// Whether a site may write a file of this name (a folder holding one is no
// place for the site).
bool IsSiteFileName(const QString &name);
