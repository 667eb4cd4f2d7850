#pragma once
// The remembered choices of publishing on the internet, kept with QSettings
// under the program's organisation and name ("Tikomat"/"Tikomat"), group
// "publish".  Only the target's text is kept: a remote's credentials stay in
// rclone's own configuration.
#include <QString>

struct PublishSettings {
    static constexpr int DefaultIntervalSeconds = 15;
    static constexpr int LeastIntervalSeconds = 1;
    static constexpr int LongestIntervalSeconds = 3600;

    QString target;     // a folder, or an rclone remote and its path; empty: none yet
    bool live = false;  // "Zveřejňovat během závodu": off until the operator ticks it
    int intervalSeconds = DefaultIntervalSeconds;

    // Unreadable or out-of-range values fall back to the defaults.
    static PublishSettings Load();
    void Save() const;
};

// What is wrong with a target, for the operator (Czech); empty when it will
// do.  A target is an absolute folder ("/srv/www/vysledky") or an rclone
// remote with its path ("zavody:vysledky/2026-velka-cena", or one written
// out in full, ":webdav,url=...:vysledky").  A relative folder would land
// wherever the program happened to start, and so is refused.
QString TargetProblem(const QString &target);
