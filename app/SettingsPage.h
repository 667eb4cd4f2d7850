#pragma once
// The page "Nastavení": the category list `memCategories`, one category a
// line, starting every run with the four initial categories.  The racer page
// reads its lines for the grid's choice list and appends the categories the
// grid brings in.  The page holds no logic of its own.
#include <QStringList>
#include <QWidget>

class QPlainTextEdit;

class SettingsPage : public QWidget {
    Q_OBJECT
public:
    explicit SettingsPage(QWidget *parent = nullptr);

    QStringList categoryLines() const;
    // Each as a new last line, unchanged.
    void appendCategories(const QStringList &categories);

private:
    QPlainTextEdit *memCategories = nullptr;
};
