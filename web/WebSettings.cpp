#include "WebSettings.h"

#include <QHostAddress>
#include <QSettings>

WebSettings WebSettings::Load()
{
    QSettings store(QStringLiteral("Tikomat"), QStringLiteral("Tikomat"));
    WebSettings s;
    s.enabled = store.value(QStringLiteral("web/enabled"), false).toBool();
    bool ok = false;
    const int port = store.value(QStringLiteral("web/port"), DefaultPort).toInt(&ok);
    s.port = ok && port >= 1 && port <= 65535 ? port : DefaultPort;
    const QString address = store.value(QStringLiteral("web/address")).toString();
    s.address = QHostAddress(address).isNull() ? QString() : address;
    return s;
}

void WebSettings::Save() const
{
    QSettings store(QStringLiteral("Tikomat"), QStringLiteral("Tikomat"));
    store.setValue(QStringLiteral("web/enabled"), enabled);
    store.setValue(QStringLiteral("web/port"), port);
    store.setValue(QStringLiteral("web/address"), address);
}
