#pragma once
// A text as a JSON string, written straight into UTF-8 bytes.  The one
// writer of JSON strings for every JSON the program makes (the results
// command's file and the results page's feed), so that both escape alike.
#include <QByteArray>
#include <QStringView>

// Appends `text` in double quotes: a quote and a backslash get a backslash,
// a control character (below U+0020) becomes \u00XX with lower-case hex
// digits, everything else goes as UTF-8 as it is; a lone surrogate, which
// UTF-8 cannot carry, becomes U+FFFD.
void AppendJsonString(QByteArray &json, QStringView text);
