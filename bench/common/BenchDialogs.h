#pragma once
// The dialogs of a benchmark: nothing is asked, since the store is named,
// and a message means the benchmark itself is broken.
#include "Dialogs.h"

#include <QtGlobal>

class NoDialogs : public Dialogs {
public:
    void message(const QString &text, MsgIcon, const QString &) override
    {
        qFatal("unexpected message: %s", qPrintable(text));
    }
    bool question(const QString &, const QString &, MsgIcon) override { return false; }
    std::optional<QString> openFile(const FileRequest &) override { return std::nullopt; }
    std::optional<QString> saveFile(const FileRequest &) override { return std::nullopt; }
};
