#pragma once
// Whether a widget is a place where the operator types text: a line edit, a
// spin box, an editable combo box, a text box, or any of these open as the
// cell editor of a grid.  The timing page's key map asks it before it acts,
// so that digits, blanks, Enter and Backspace typed into a field stay in the
// field instead of pressing the keypad.  It only looks at the widget and its
// parents; it never changes them.
class QWidget;

bool TakesTypedText(const QWidget *widget);
