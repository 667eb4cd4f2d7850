#pragma once
// Turns the module's state characters into rising edges: the moments at which
// a beam goes from free to interrupted.  "A" to "D" carry both beams at once
// (bit 0 of c - 'A' is FB1, bit 1 is FB2); every other byte is skipped.
// Within one response a photocell gives at most one edge, found at the first
// character that interrupts it; the last states carry over from response to
// response.  Plain logic, no clock, no thread.
#include <QByteArrayView>
#include <QString>

struct PhotocellEdges {
    // Where in the response the character that made the edge stands, or -1
    // when there is none.  Start: FB1 in mode 0; finish: FB2 in mode 0,
    // whichever beam was interrupted first in mode 1.
    qsizetype startAt = -1;
    qsizetype finishAt = -1;
    QString status;  // the status text of the last state character, "" if none came

    bool start() const { return startAt >= 0; }
    bool finish() const { return finishAt >= 0; }
};

class PhotocellDecoder {
public:
    // 0: FB1 starts, FB2 finishes; 1: either photocell finishes.
    explicit PhotocellDecoder(int photocellMode) : m_mode(photocellMode) {}

    PhotocellEdges Decode(QByteArrayView response);

    // The status text for one state character "A" to "D".
    static QString StatusTextFor(char state);

private:
    int m_mode;
    bool m_fb1 = false;  // last reported states; both free at the start
    bool m_fb2 = false;
};
