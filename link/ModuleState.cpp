#include "ModuleState.h"

#include "LinkController.h"

ModuleState::ModuleState(QObject *parent) : QObject(parent) {}

void ModuleState::Watch(LinkController &link)
{
    connect(&link, &LinkController::cursorChanged, this, &ModuleState::CursorChanged);
    connect(&link, &LinkController::connectEnabledChanged, this, &ModuleState::ConnectEnabledChanged);
    connect(&link, &LinkController::startImpulse, this, &ModuleState::ImpulseReceived);
    connect(&link, &LinkController::finishImpulse, this, &ModuleState::ImpulseReceived);
}

QString ModuleState::Text(State state)
{
    switch (state) {
    case State::Connected: return QStringLiteral("Modul připojen");
    case State::Lost: return QStringLiteral("Spojení ztraceno – hledám modul…");
    case State::Disconnected: break;
    }
    return QStringLiteral("Modul odpojen");
}

QString ModuleState::lastImpulseText() const
{
    return m_lastImpulse ? QStringLiteral("Poslední impuls ") + DayTimeToText(*m_lastImpulse) : QString();
}

void ModuleState::CursorChanged(LinkCursor cursor)
{
    // A thread still finishing after "Odpojit" may report a last search or
    // a last open module: the link is not wanted any more, it stays off.
    if (!m_wanted)
        return;
    if (cursor == LinkCursor::Background) {
        m_wasConnected = true;
        SetState(State::Connected);
    } else if (m_wasConnected) {
        // The module stopped answering: the link searches for it every few
        // seconds, between searches with the plain cursor.
        SetState(State::Lost);
    }
}

void ModuleState::ConnectEnabledChanged(bool enabled)
{
    // "Připojit" disabled: a link is wanted; enabled again: "Odpojit" was
    // pressed, or the link ended (no module found at the first search).
    m_wanted = !enabled;
    if (enabled) {
        m_wasConnected = false;
        SetState(State::Disconnected);
    }
}

void ModuleState::ImpulseReceived(DayTime stamp)
{
    m_lastImpulse = stamp;
    emit changed();
}

void ModuleState::SetState(State state)
{
    if (state == m_state)
        return;
    m_state = state;
    emit changed();
}
