#include "TypingFocus.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

bool TakesTypedText(const QWidget *widget)
{
    // The focus may rest on the inner line edit of a spin box or of an
    // editable combo box, or on the combo box itself: the chain of parents
    // is looked at, up to the window.
    for (const QWidget *w = widget; w; w = w->isWindow() ? nullptr : w->parentWidget()) {
        if (const auto *edit = qobject_cast<const QLineEdit *>(w))
            return !edit->isReadOnly();
        if (const auto *spin = qobject_cast<const QAbstractSpinBox *>(w))
            return !spin->isReadOnly();
        if (const auto *combo = qobject_cast<const QComboBox *>(w))
            return combo->isEditable();
        if (const auto *text = qobject_cast<const QPlainTextEdit *>(w))
            return !text->isReadOnly();
        if (const auto *text = qobject_cast<const QTextEdit *>(w))
            return !text->isReadOnly();
    }
    return false;
}
