#pragma once
// The remembered choices of the results page, kept with QSettings under the
// program's organisation and name ("Tikomat"/"Tikomat"), group "web".
#include <QString>

struct WebSettings {
    static constexpr int DefaultPort = 8080;

    bool enabled = false;  // off until the operator ticks it
    int port = DefaultPort;
    QString address;  // empty: all interfaces

    // Unreadable or out-of-range values fall back to the defaults.
    static WebSettings Load();
    void Save() const;
};
