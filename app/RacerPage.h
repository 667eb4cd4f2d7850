#pragma once
// The page "Kompletní seznam závodníků": the racer grid `DBGridZavodnici`
// over the racer table, its navigator, the file buttons and the CSV import.
// The page only binds: what the buttons do is in RacerCommands, the rows and
// their order in RacerTable, the category rules in Categories.  The category
// list it reads and extends lives on the settings page.
//
// Created by the main window with the settings page; Bind ties it to the
// racer table once the window has made it.  It never keeps a row of its own.
#include <QPointer>
#include <QWidget>
#include <memory>

class Dialogs;
class QModelIndex;
class QPushButton;
class QTableView;
class RacerCommands;
class SaveAlarm;
class RacerGridDelegate;
class RacerTable;
class SettingsPage;

class RacerPage : public QWidget {
    Q_OBJECT
public:
    explicit RacerPage(SettingsPage &settings, QWidget *parent = nullptr);
    ~RacerPage() override;

    // `alarm` tells the racer file's failed saves (null: the commands' own).
    void Bind(RacerTable &table, Dialogs &dialogs, SaveAlarm *alarm = nullptr);

    // Handlers.
    // The page is shown: the category cells offer the category list's lines.
    void refreshCategoryChoices();
    // One click on a category cell opens its list of choices.
    void openCategoryList(const QModelIndex &index);
    // The focus left the grid: the edit ends, and the table's categories the
    // category list lacks join it.
    void finishGridEdit();
    // A column title clicked: the rows stay sorted by that column.
    void sortByColumn(int column);
    void openRacerFile();             // "Otevřít..."
    void saveRacerFile(bool saveAs);  // "Uložit" (false) and "Uložit jako..." (true)
    void importCsv();                 // "Importovat CSV..."

    // The categories of the table that the category list lacks join it.
    void JoinCategories();

signals:
    // "Otevřít..." or "Uložit" / "Uložit jako..." used this racer file.
    void racerFileUsed(const QString &path);

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QWidget *BuildNavigator();
    void BindGrid();
    // The grid's cursor onto the table's current row.
    void ShowCurrentRow();
    void Navigate(int row);
    void Insert();
    bool InGrid(const QWidget *widget) const;
    void FocusChanged(QWidget *old, QWidget *now);

    SettingsPage &m_settings;
    QPointer<RacerTable> m_table;
    Dialogs *m_dialogs = nullptr;
    std::unique_ptr<RacerCommands> m_commands;
    bool m_cursorPending = false;
    bool m_gridHasFocus = false;

    QTableView *DBGridZavodnici = nullptr;
    QWidget *DBNavigatorZavodnici = nullptr;
    RacerGridDelegate *m_delegate = nullptr;
    QPushButton *btnZavodniciLoad = nullptr;
    QPushButton *btnZavodniciSave = nullptr;
    QPushButton *btnZavodniciSaveAs = nullptr;
    QPushButton *btnZavodniciImport = nullptr;
};
