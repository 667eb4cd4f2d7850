#pragma once
// The choice "Kategorie:" of the results page and of the spectator controls:
// "Všechny" (the whole ranking) and each category the ranking holds, as its
// results document names them.
//
// The main window and DisplayControls place one each and hand it every new
// document (setCategories); the box keeps the operator's choice across
// refreshes, even while the ranking holds none of that category, and says
// a change of the choice through categoryChosen.  It never touches the results.
#include <QComboBox>
#include <QStringList>

struct ResultsTable;

// The items of the choice for table with `chosen` chosen ("" for all):
// "Všechny", each category's name in the table's order, and the chosen one
// last when the table lacks it.
QStringList CategoryChoiceItems(const ResultsTable &table, const QString &chosen);

class CategoryBox : public QComboBox {
    Q_OBJECT
public:
    explicit CategoryBox(QWidget *parent = nullptr);

    // The caption of the first item.
    static QString AllText();

    // Lists the categories of table, keeping the choice.
    void setCategories(const ResultsTable &table);
    // The chosen category, empty for "Všechny".
    QString chosen() const;

signals:
    // The operator (or a test) chose another item; "" for "Všechny".
    void categoryChosen(const QString &category);
};
